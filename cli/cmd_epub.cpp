// epub: makes a novel into a book with a table of contents, a chapter at each heading.
#include "cli/book_settings.h"
#include "cli/cli_job.h"
#include "cli/command.h"

namespace pw::cli {

namespace {

class EpubCommand : public NovelCommand {
public:
    std::string name() const override { return "epub"; }
    std::string about() const override { return "按章节标题把文件做成带目录的 EPUB 电子书"; }
    std::vector<OptionRow> options() const override {
        const NovelRows common = novelRows(true);
        return rowsOf({
            common.input,
            {textRow("-o,--out", &CliOptions::out,
                     "电子书的文件名，或放电子书的目录（默认当前目录中的 <书名>.epub；多个输入文件时须为目录）",
                     "电子书")
                 .batchOwn()},
            common.kept,
            {
                textRow("--volume-pattern", &CliOptions::volumePattern,
                        "卷标题的正则表达式：符合的标题成为目录的第一层（用 --preset volume 时默认按 卷/部）",
                        "正则表达式", Utf8),
                textRow("--title", &CliOptions::title, "书名（默认从文件名得出）", "书名", Utf8),
                textRow("--author", &CliOptions::author, "作者（默认从文件名得出）", "作者", Utf8),
                textRow("--language", &CliOptions::language,
                        "语言标记（默认 zh-CN，Big5 或繁体字的文件为 zh-TW；用 --convert 时随转换的目标）", "语言标记",
                        Utf8 | LanguageTag),
                textRow("--cover", &CliOptions::cover, "封面图片（JPEG 或 PNG）", "图片"),
                flagRow("--vertical", &CliOptions::vertical, "竖排（从右到左翻页）"),
                flagRow("--per-volume", &CliOptions::perVolume,
                        "每卷一本电子书，以书名加卷名命名（需要卷标题条件：--volume-pattern 或 --preset volume）"),
            },
            common.batch,
            common.lines,
            common.stages,
            common.written,
        });
    }
    JobFormat format() const override { return JobFormat::Book; }
    std::optional<BookRequest> book(const CliOptions& o, const Text& cwd) const override {
        return bookRequest(o, cwd);
    }
};

} // namespace

std::unique_ptr<Command> epubCommand() {
    return std::make_unique<EpubCommand>();
}

} // namespace pw::cli
