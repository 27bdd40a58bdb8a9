// presets: lists the ready-made patterns, one a line: id, label, pattern.
#include "cli/command.h"
#include "cli/console_ui.h"
#include "scan/presets.h"

namespace pw::cli {

namespace {

class PresetsCommand : public Command {
public:
    std::string name() const override { return "presets"; }
    std::string about() const override { return "列出预设的查找条件：名称、说明和正则表达式"; }
    std::vector<OptionRow> options() const override { return {}; }
    int run(const CliOptions& o, const Streams& streams) const override {
        ConsoleUi ui(o, streams.err, streams.errIsTerminal, streams.outIsTerminal);
        for (const PatternPreset& p : patternPresets()) {
            ui.beforeOutput();
            const std::string line = toUtf8(fromUtf8(p.id) + u"\t" + p.label + u"\t" + p.pattern);
            std::fprintf(streams.out, "%s\n", line.c_str());
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> presetsCommand() {
    return std::make_unique<PresetsCommand>();
}

} // namespace pw::cli
