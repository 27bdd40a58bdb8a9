// split: cuts a novel into text files at its headings, several chapters to a file.
#include "cli/cli_job.h"
#include "cli/command.h"
#include "options/output_encoding.h"
#include "options/settings.h"
#include "platform/text.h"

namespace pw::cli {

namespace {

OptionRow outputEncodingRow() {
    std::vector<std::pair<std::string, OutputEncoding>> words;
    std::string help;
    for (const OutputEncodingChoice& c : kOutputEncodings) {
        words.emplace_back(c.word, c.value);
        help += (help.empty() ? "" : "，") + std::string(c.word) + " " + c.help;
    }
    return choiceRow("--output-encoding", &CliOptions::outputEncoding, words,
                     "输出编码：" + help + "（默认 " + kOutputEncodings[0].word + "）");
}

class SplitCommand : public NovelCommand {
public:
    std::string name() const override { return "split"; }
    std::string about() const override { return "按章节标题把文件切割成多个文件"; }
    std::vector<OptionRow> options() const override {
        const NovelRows common = novelRows(false);
        return rowsOf({
            common.input,
            {
                textRow("-o,--out", &CliOptions::out,
                        "输出目录（默认当前目录；多个输入文件时各自输出到其中的 <文件名>/）", "目录")
                    .batchOwn(),
                textRow("-n,--name", &CliOptions::name,
                        "输出文件名及起始编号（默认 " + toUtf8(kDefaultOutName) + "01）", "文本", Utf8),
                textRow("-c,--chapters", &CliOptions::chapters,
                        "每个文件的章数（默认 " + std::to_string(kDefaultChapters) + "）", "数", Utf8 | WholeCount),
            },
            common.lines,
            common.kept,
            {outputEncodingRow()},
            common.stages,
            common.written,
            common.batch,
        });
    }
    JobFormat format() const override { return JobFormat::TextFiles; }
};

} // namespace

std::unique_ptr<Command> splitCommand() {
    return std::make_unique<SplitCommand>();
}

} // namespace pw::cli
