// presets: lists the ready-made patterns, one a line: id, label, pattern; with --rules, the
// shared list's rules after them.
#include "cli/command.h"
#include "cli/console_ui.h"
#include "cli/preset_resolution.h"
#include "scan/presets.h"

namespace pw::cli {

namespace {

class PresetsCommand : public Command {
public:
    std::string name() const override { return "presets"; }
    std::string about() const override { return "列出预设的查找条件：名称、说明和正则表达式"; }
    std::vector<OptionRow> options() const override {
        return {textRow("--rules", &CliOptions::rules, "同时列出此规则文件（legado 的 txtTocRule JSON）中的规则", "文件")};
    }
    int run(const CliOptions& o, const Streams& streams) const override {
        int refused = 0;
        const std::optional<SharedRules> rules = loadRules(o, streams.err, refused);
        if (!rules) return refused;
        ConsoleUi ui(o, streams.err, streams.errIsTerminal, streams.outIsTerminal);
        for (const PatternPreset& p : rules->withBuiltIns()) {
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
