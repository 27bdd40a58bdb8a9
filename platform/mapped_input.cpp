#include "platform/mapped_input.h"

#if defined(__unix__) || defined(__APPLE__)
#define PW_HAVE_MMAP 1
#include <csetjmp>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pw {

#ifdef PW_HAVE_MMAP

namespace {

struct Guard {
    sigjmp_buf env;
    const char* lo;
    const char* hi;
};

thread_local Guard* t_guard = nullptr;
struct sigaction g_previous{};

void onBusError(int sig, siginfo_t* info, void* uctx) {
    Guard* g = t_guard;
    const char* addr = static_cast<const char*>(info->si_addr);
    if (g && addr >= g->lo && addr < g->hi) {
        t_guard = nullptr;
        siglongjmp(g->env, 1);
    }
    // Not ours: whatever handled SIGBUS before handles it now. Returning with the default
    // disposition back in place repeats the fault, which then ends the program as it would have.
    if (g_previous.sa_flags & SA_SIGINFO) {
        if (g_previous.sa_sigaction) return g_previous.sa_sigaction(sig, info, uctx);
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        return g_previous.sa_handler(sig);
    }
    sigaction(SIGBUS, &g_previous, nullptr);
}

void installHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa{};
        sa.sa_sigaction = onBusError;
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGBUS, &sa, &g_previous);
    });
}

// Kept out of line and apart from its caller's objects: after a jump back into it, only
// what it holds itself is looked at.
[[gnu::noinline]] bool guardedCall(Guard& g, void (*fn)(void*), void* ctx) {
    if (sigsetjmp(g.env, 1) != 0) return false;
    t_guard = &g;
    fn(ctx);
    t_guard = nullptr;
    return true;
}

} // namespace

bool MappedInput::map(const InputFile& in) {
    unmap();
    const int fd = in.descriptor();
    struct stat st{};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
    m_fd = fd;
    m_size = static_cast<std::size_t>(st.st_size);
    m_mapped = true;
    if (m_size == 0) return true;
    void* p = mmap(nullptr, m_size, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        m_mapped = false;
        m_size = 0;
        return false;
    }
    // Read once front to back: the kernel may read further ahead and drop pages behind.
    (void)madvise(p, m_size, MADV_SEQUENTIAL);
    m_data = static_cast<const char*>(p);
    return true;
}

bool MappedInput::shrank() const {
    struct stat st{};
    return m_mapped && fstat(m_fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) < m_size;
}

void MappedInput::unmap() {
    if (m_data) munmap(const_cast<char*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
    m_fd = -1;
    m_mapped = false;
}

void prefaultPages(std::string_view range) {
#ifdef MADV_POPULATE_READ
    if (range.empty()) return;
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto from = reinterpret_cast<std::uintptr_t>(range.data());
    const std::uintptr_t start = from & ~(page - 1);
    // A failure (an older system, a page past the end) only leaves the faults to come later.
    (void)madvise(reinterpret_cast<void*>(start), from + range.size() - start, MADV_POPULATE_READ);
#else
    (void)range;
#endif
}

bool runGuarded(const MappedInput& mapping, void (*fn)(void*), void* ctx) {
    if (mapping.bytes().empty()) {
        fn(ctx);
        return true;
    }
    installHandler();
    Guard g{};
    g.lo = mapping.bytes().data();
    g.hi = g.lo + mapping.bytes().size();
    Guard* outer = t_guard;
    const bool ok = guardedCall(g, fn, ctx);
    t_guard = outer;
    return ok;
}

#else

bool MappedInput::map(const InputFile&) { return false; }
void prefaultPages(std::string_view) {}
bool MappedInput::shrank() const { return false; }
void MappedInput::unmap() {}
bool runGuarded(const MappedInput&, void (*fn)(void*), void* ctx) {
    fn(ctx);
    return true;
}

#endif

} // namespace pw
