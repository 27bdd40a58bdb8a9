#include "cli/command_line.h"

#include <sstream>

#include "cli/batch.h"
#include "cli/cli_options.h"
#include "cli/command.h"

namespace pw::cli {

int runCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err, bool errIsTerminal,
                   bool outIsTerminal) {
    CliOptions o;
    {
        std::ostringstream helpOut, helpErr;
        const auto rc = parseCommandLine(argc, argv, o, helpOut, helpErr);
        std::fputs(helpOut.str().c_str(), out);
        std::fputs(helpErr.str().c_str(), err);
        if (rc) return *rc;
    }
    if (o.batch()) return runBatch(o, argv[0], out, err, errIsTerminal, outIsTerminal);
    return o.command->run(o, {out, err, errIsTerminal, outIsTerminal});
}

} // namespace pw::cli
