#pragma once
// A real full disk, cheaply: a child process whose files cannot grow past a limit, so that its
// writes fail with EFBIG as they would with ENOSPC.
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pwtest {

// Runs `body` in a child limited to `bytes` per file; true when it ran to the end and said true.
inline bool inChildWithFileSizeLimit(rlim_t bytes, const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of the process dying
        const rlimit lim{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace pwtest
