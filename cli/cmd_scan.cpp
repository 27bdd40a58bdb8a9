// scan: lists the headings that the pattern finds, or what looks wrong among them.
#include "cli/cli_job.h"
#include "cli/command.h"

namespace pw::cli {

namespace {

class ScanCommand : public Command {
public:
    std::string name() const override { return "scan"; }
    std::string about() const override { return "列出文件中符合条件的章节标题"; }
    std::vector<OptionRow> options() const override {
        return {
            inputRow(&CliOptions::file, "输入的文本文件"),
            patternRow(),
            presetRow(),
            rulesRow(),
            encodingRow(),
            quietRow(),
            flagRow("--json", &CliOptions::json, "以 JSON 输出结果"),
            flagRow("--check", &CliOptions::check,
                    "列出可疑标题、缺号和重号，而不是全部标题；与 --clean 或 --clean-rules 同用时，列出净化规则会去掉或改动的每一行（不写出文件）")
                .excluding("--json"),
            cleanRow(),
            cleanRulesRow(),
        };
    }
    int run(const CliOptions& o, const Streams& streams) const override { return runScan(o, streams); }
};

} // namespace

std::unique_ptr<Command> scanCommand() {
    return std::make_unique<ScanCommand>();
}

} // namespace pw::cli
