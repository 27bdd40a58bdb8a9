#include <csignal>
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "cli/cli_job.h"

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write with an error we report, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    return pw::cli::runCommandLine(argc, argv, stdout, stderr, isatty(fileno(stderr)) != 0,
                                   isatty(fileno(stdout)) != 0);
}
