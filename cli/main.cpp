#include <cerrno>
#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <system_error>
#include <unistd.h>

#include "cli/cli_options.h"
#include "cli/command_line.h"
#include "cli/interrupt.h"
#include "platform/messages.h"
#include "platform/paths.h"

namespace {

// The list or the summary went to a stdout that could not take it (a full disk, /dev/full):
// what the user asked for is lost, so the run is not a success, whatever the job said.
int checkStdout(int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout)) return status;
    const int err = errno ? errno : EIO;
    const std::string line =
        "pagewright-cli: " + pw::toUtf8(u"结果无法写入标准输出（" + pw::reasonFromErrno(err) + u"），请检查输出的去向。");
    std::fprintf(stderr, "%s\n", line.c_str());
    return status == 0 ? pw::cli::kExitRefused : status;
}

// Out of memory or of threads, a run cannot go on; caught here, where the stack above has been
// unwound, so the temporary files and the run's marks are gone. The line is made without
// allocating: what little memory there is may not be enough for another string.
int outOfResources(const char* line) {
    std::fputs("pagewright-cli: ", stderr);
    std::fputs(line, stderr);
    std::fputs("\n", stderr);
    std::fflush(stderr);
    return pw::cli::kExitRefused;
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write with an error we report, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    pw::cli::catchStopSignals();
    static const std::string outOfMemory = pw::toUtf8(pw::kOutOfMemoryText);
    try {
        return checkStdout(pw::cli::runCommandLine(argc, argv, stdout, stderr, isatty(fileno(stderr)) != 0,
                                                   isatty(fileno(stdout)) != 0));
    } catch (const std::bad_alloc&) {
        return outOfResources(outOfMemory.c_str());
    } catch (const std::system_error& e) {
        // A thread that cannot start (EAGAIN): the system is out of what threads need.
        if (e.code() != std::errc::resource_unavailable_try_again && e.code() != std::errc::not_enough_memory) throw;
        std::string line;
        try {
            line = pw::toUtf8(pw::kNoResourcesBefore + pw::reasonFromErrno(e.code().value()) + pw::kNoResourcesAfter);
        } catch (const std::bad_alloc&) {
            return outOfResources(outOfMemory.c_str());
        }
        return outOfResources(line.c_str());
    }
}
