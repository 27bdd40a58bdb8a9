#include "cli/interrupt.h"

#include <csignal>

namespace pw::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;
volatile std::sig_atomic_t g_count = 0;

extern "C" void onStopSignal(int sig) {
    g_signal = sig;
}

extern "C" void onRepeatedStopSignal(int sig) {
    if (g_signal == 0) g_signal = sig;
    g_count = g_count + 1;
}

} // namespace

void catchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    // SA_RESTART: a read under way goes on rather than failing with EINTR; the pass looks
    // at the flag at its next turn anyway.
    sa.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // A batch starts its runs with both blocked, so that one sent before this point waits
    // for the handler instead of ending the run outright.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
}

void catchRepeatedStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onRepeatedStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

int stopSignal() {
    return g_signal;
}

int stopSignalCount() {
    return g_count;
}

} // namespace pw::cli
