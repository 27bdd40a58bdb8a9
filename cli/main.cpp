#include <cerrno>
#include <csignal>
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "cli/command_line.h"
#include "cli/cli_options.h"
#include "cli/interrupt.h"
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

} // namespace

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write with an error we report, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    pw::cli::catchStopSignals();
    return checkStdout(pw::cli::runCommandLine(argc, argv, stdout, stderr, isatty(fileno(stderr)) != 0,
                                               isatty(fileno(stdout)) != 0));
}
