#include "cli/cli_options.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <limits>
#include <map>

#include "cli/cli_texts.h"
#include "options/settings.h"
#include "platform/text.h"
#include "platform/version.h"
#include "scan/presets.h"

namespace pw::cli {

namespace {

std::string joined(const std::vector<std::string>& words, const char* between) {
    std::string all;
    for (const std::string& w : words)
        all += (all.empty() ? "" : between) + w;
    return all;
}

// An option that takes one of a few words, in any case. CheckedTransformer would also take the
// enum's numbers ("--existing 1") and show them in the help; only the words are meant.
template <typename E>
void addChoice(CLI::App& sub, const std::string& name, E& target, const std::map<std::string, E>& words,
               const std::string& help) {
    std::vector<std::string> names;
    for (const auto& w : words)
        names.push_back(w.first);
    // Shown in the help as {a,b,c}, which is where the bash completion finds the words.
    const CLI::Validator oneOf(
        [names](std::string& v) {
            for (const std::string& n : names) {
                if (CLI::detail::to_lower(v) == CLI::detail::to_lower(n)) {
                    v = n;
                    return std::string();
                }
            }
            return notAChoiceText(v, joined(names, "、"));
        },
        "{" + joined(names, ",") + "}", "CHOICE");
    sub.add_option_function<std::string>(
           name, [&target, words](const std::string& v) { target = words.at(v); }, help)
        ->transform(oneOf);
}

// The pattern, the file name that carries the start number and the count are read as text:
// bytes that are not UTF-8 would turn into something else than what was typed.
const CLI::Validator utf8Text([](std::string& v) { return isValidUtf8(v) ? std::string() : notUtf8Text(); }, "",
                              "UTF-8");

// A count of chapters: a whole number from 1 up, in plain digits. Anything else is a mistake
// to point out, not a value for the intake to replace with the default.
const CLI::Validator wholeCount(
    [](std::string& v) {
        if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos ||
            v.find_first_not_of('0') == std::string::npos)
            return notACountText(v);
        const std::string digits = v.substr(v.find_first_not_of('0'));
        if (digits.size() > 10 || std::stoll(digits) > std::numeric_limits<std::int32_t>::max())
            return countTooBigText(v);
        return std::string();
    },
    "", "COUNT");

std::string presetIds(const char* between) {
    std::string ids;
    for (const PatternPreset& p : patternPresets())
        ids += (ids.empty() ? "" : between) + std::string(p.id);
    return ids;
}

// Shown in the help as {chapter,hui,...}, which is where the bash completion finds the ids.
// A rule's name from --rules is known only once the list is read: checked then.
const CLI::Validator knownPreset([](std::string&) { return std::string(); },
                                 "{auto," + presetIds(",") + "}", "PRESET");

// What split and epub take besides their own options: several inputs at once.
void addBatchOptions(CLI::App& sub, CliOptions& o) {
    sub.add_option("-j,--jobs", o.jobs, "多个输入文件时同时处理的个数（默认为 CPU 核数）")
        ->check(wholeCount)
        ->type_name("N");
    sub.add_flag("--json", o.json, "每处理完一个文件，在标准输出写一行 JSON（JSON Lines）");
}

void addJobOptions(CLI::App& sub, CliOptions& o, Command command) {
    if (command == Command::Scan)
        sub.add_option("FILE", o.file, "输入的文本文件")->required()->type_name("");
    else
        sub.add_option("FILE", o.files, "输入的文本文件，可以有多个（每个各自输出）")->required()->type_name("");
    CLI::Option* pattern =
        sub.add_option("-p,--pattern", o.pattern, "章节标题的正则表达式（默认 " + toUtf8(kDefaultPattern) + "）")
            ->check(utf8Text);
    sub.add_option("--preset", o.preset,
                   "用预设的查找条件（见 presets 命令）；auto 为逐一试用各预设后自动选择；也可用 --rules 中规则的名称")
        ->check(knownPreset)
        ->excludes(pattern);
    sub.add_option("--rules", o.rules, "读入阅读器共享的目录规则（legado 的 txtTocRule JSON），作为额外的预设")
        ->type_name("FILE");
    std::map<std::string, std::optional<Encoding>> encodings{{"auto", std::nullopt}};
    std::string names = "auto";
    for (const Encoding e : kAllEncodings) {
        encodings.emplace(traitsOf(e).id, e);
        names += std::string("、") + traitsOf(e).id;
    }
    addChoice(sub, "--encoding", o.encoding, encodings, "输入编码：" + names + "（默认 auto，按文件内容判断）");
    sub.add_flag("-q,--quiet", o.quiet, "不显示进度，成功时不显示结果统计");
    if (command == Command::Scan) {
        CLI::Option* json = sub.add_flag("--json", o.json, "以 JSON 输出结果");
        sub.add_flag("--check", o.check, "列出可疑标题、缺号和重号，而不是全部标题")->excludes(json);
        return;
    }
    if (command == Command::Epub) {
        sub.add_option("-o,--out", o.out,
                       "电子书的文件名，或放电子书的目录（默认当前目录中的 <书名>.epub；多个输入文件时须为目录）")
            ->type_name("BOOK");
        sub.add_option("-x,--exclude", o.exclude, "排除的标题编号，如 3 或 2,5,9-12")->type_name("LIST");
        sub.add_flag("--exclude-suspects", o.excludeSuspects, "排除可疑标题（可与 -x 同用）");
        sub.add_option("--volume-pattern", o.volumePattern,
                       "卷标题的正则表达式：符合的标题成为目录的第一层（用 --preset volume 时默认按 卷/部）")
            ->check(utf8Text)
            ->type_name("REGEX");
        sub.add_option("--title", o.title, "书名（默认从文件名得出）")->check(utf8Text)->type_name("TITLE");
        sub.add_option("--author", o.author, "作者（默认从文件名得出）")->check(utf8Text)->type_name("NAME");
        sub.add_option("--language", o.language, "语言标记（默认 zh-CN，Big5 文件为 zh-TW）")
            ->check(utf8Text)
            ->type_name("TAG");
        sub.add_option("--cover", o.cover, "封面图片（JPEG 或 PNG）")->type_name("IMG");
        sub.add_flag("--vertical", o.vertical, "竖排（从右到左翻页）");
        addBatchOptions(sub, o);
        sub.add_flag("--keep-blank-lines", o.keepBlankLines, "保留空行（默认删除）");
        addChoice(sub, "--existing", o.existing, {{"fail", Existing::Fail}, {"overwrite", Existing::Overwrite}},
                  "电子书已存在时：fail 或 overwrite（默认 fail）");
        return;
    }
    sub.add_option("-o,--out", o.out, "输出目录（默认当前目录；多个输入文件时各自输出到其中的 <文件名>/）")
        ->type_name("DIR");
    sub.add_option("-n,--name", o.name, "输出文件名及起始编号（默认 " + toUtf8(kDefaultOutName) + "01）")
        ->check(utf8Text);
    sub.add_option("-c,--chapters", o.chapters, "每个文件的章数（默认 " + std::to_string(kDefaultChapters) + "）")
        ->check(utf8Text)
        ->check(wholeCount)
        ->type_name("N");
    sub.add_flag("--keep-blank-lines", o.keepBlankLines, "保留空行（默认删除）");
    sub.add_option("-x,--exclude", o.exclude, "排除的标题编号，如 3 或 2,5,9-12")->type_name("LIST");
    sub.add_flag("--exclude-suspects", o.excludeSuspects, "排除可疑标题（可与 -x 同用）");
    std::map<std::string, OutputEncoding> outputs;
    std::string outputHelp;
    for (const OutputEncodingChoice& c : kOutputEncodings) {
        outputs.emplace(c.word, c.value);
        outputHelp += (outputHelp.empty() ? "" : "，") + std::string(c.word) + " " + c.help;
    }
    addChoice(sub, "--output-encoding", o.outputEncoding, outputs,
              "输出编码：" + outputHelp + "（默认 " + kOutputEncodings[0].word + "）");
    addChoice(sub, "--existing", o.existing,
              {{"fail", Existing::Fail}, {"overwrite", Existing::Overwrite}, {"append", Existing::Append}},
              "输出文件已存在时：fail、overwrite 或 append（默认 fail）");
    sub.add_flag("--create-dir", o.createDir, "输出目录不存在时创建它（一层）");
    addBatchOptions(sub, o);
}

} // namespace

std::optional<int> parseCommandLine(int argc, const char* const* argv, CliOptions& opts, std::ostream& out,
                                    std::ostream& err) {
    CLI::App app{"书页匠(Pagewright)：按章节标题切割文本文件", "pagewright-cli"};
    // Set before the subcommands are added, which take the help flag from here.
    app.set_help_flag("-h,--help", "显示此帮助并退出");
    app.set_version_flag("--version", "pagewright-cli " PAGEWRIGHT_VERSION, "显示版本并退出");
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "pagewright-cli: " + usageErrorText(e.get_name(), e.what()) + "\n";
    });
    app.require_subcommand(1, 1);
    CLI::App* scan = app.add_subcommand("scan", "列出文件中符合条件的章节标题");
    CLI::App* split = app.add_subcommand("split", "按章节标题把文件切割成多个文件");
    CLI::App* epub = app.add_subcommand("epub", "按章节标题把文件做成带目录的 EPUB 电子书");
    CLI::App* presets = app.add_subcommand("presets", "列出预设的查找条件：名称、说明和正则表达式");
    std::optional<std::string> presetRules;
    presets->add_option("--rules", presetRules, "同时列出此规则文件（legado 的 txtTocRule JSON）中的规则")
        ->type_name("FILE");
    CliOptions scanOpts, splitOpts, epubOpts;
    addJobOptions(*scan, scanOpts, Command::Scan);
    addJobOptions(*split, splitOpts, Command::Split);
    addJobOptions(*epub, epubOpts, Command::Epub);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end with status 0 and print to `out`; usage errors go to `err`.
        return app.exit(e, out, err) == 0 ? 0 : kExitUsage;
    }
    if (presets->parsed()) {
        opts.command = Command::Presets;
        opts.rules = presetRules;
    } else if (scan->parsed()) {
        opts = scanOpts;
        opts.command = Command::Scan;
    } else if (epub->parsed()) {
        opts = epubOpts;
        opts.command = Command::Epub;
    } else {
        opts = splitOpts;
        opts.command = Command::Split;
    }
    if (!opts.files.empty()) opts.file = opts.files.front();
    return std::nullopt;
}

} // namespace pw::cli
