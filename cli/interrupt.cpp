#include "cli/interrupt.h"

#include <csignal>

namespace pw::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void onStopSignal(int sig) {
    g_signal = sig;
}

} // namespace

void catchStopSignals() {
#ifdef _WIN32
    // The C runtime resets the handler as it calls it: a second Ctrl-C ends the program.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#else
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    // SA_RESTART: a read under way goes on rather than failing with EINTR; the pass looks
    // at the flag at its next turn anyway.
    sa.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
#endif
}

int stopSignal() {
    return g_signal;
}

} // namespace pw::cli
