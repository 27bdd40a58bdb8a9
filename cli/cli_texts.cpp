#include "cli/cli_texts.h"

#include <algorithm>
#include <vector>

#include "cli/command.h"
#include "platform/paths.h"

namespace pw::cli {

namespace {

// Paths go out in the bytes they have on disk, so that what is printed can be typed back.
std::string say(const Text& text) {
    return toNativeBytes(text);
}

Text argument(const std::optional<std::string>& bytes) {
    return bytes ? fromNativeBytes(*bytes) : Text();
}

} // namespace

std::string cliText(const Message& msg, const CliOptions& o) {
    const Text& path = msg.subject;
    switch (msg.id) {
    case MsgId::NoInputFile:
        return say(u"没有给出输入文件，请在命令行写上要处理的文件。");
    case MsgId::NoOutDir:
        return say(u"没有给出输出目录，请用 -o 写上输出目录。");
    case MsgId::OfferCreateFolder:
        return say(u"输出目录不存在：" + argument(o.out) + u"，已停止。加 --create-dir 可创建它。");
    case MsgId::BadOutName:
        if (trimSpaces(argument(o.name)).empty()) return say(u"输出文件名是空的，请用 -n 给出文件名，如 小说01。");
        return say(u"输出文件名不正确：" + argument(o.name) + u"，请用 -n 换一个文件名。");
    case MsgId::NameNumberTooBig:
        return say(u"输出文件名中的编号太大（最大 2147483647），请用 -n 换一个小一些的编号。");
    case MsgId::CountOutOfRange:
        return say(u"每个文件的章数超出范围（1 到 2147483647），请用 -c 给出范围内的数。");
    case MsgId::InputMissing:
        if (isFolder(fromNativeBytes(o.file)))
            return say(u"输入的是一个文件夹：" + fromNativeBytes(o.file) + u"，请给出其中要处理的文本文件。");
        return say(u"输入文件不存在：" + fromNativeBytes(o.file) + u"，请检查文件名。");
    case MsgId::InputNotRegular:
        return say(u"输入的不是普通文件：" + fromNativeBytes(o.file) +
                   u"（管道、设备或链接循环），请给出一个文本文件。");
    case MsgId::NotAnalyzed:
        return say(u"还没有分析过输入文件，已停止，请重新运行。");
    case MsgId::NotCurrentFile:
        return say(u"要输出的文件不是刚分析的文件，已停止，请重新分析。");
    case MsgId::NoHeadings:
        return say(u"没有符合条件的标题行，无法分割，请检查查找条件（-p）。");
    case MsgId::SizeChanged:
        return say(u"输入文件在分析之后被修改，已停止，请重新分析。");
    case MsgId::AllExcluded:
        return say(u"全部标题都被排除（-x），无法分割，请少排除一些。");
    case MsgId::OutputIsInput:
        return say(u"输出文件就是输入文件：" + path + u"，已停止，请用 -o 或 -n 换一个输出。");
    case MsgId::OutputExists:
        // Only what the command takes: a book is overwritten or left, never appended to.
        if (o.command && !takesWord(o.command->options(), "--existing", "append"))
            return say(u"输出文件已存在：" + path + u"，已停止。可用 --existing overwrite 覆盖。");
        return say(u"输出文件已存在：" + path +
                   u"，已停止。可用 --existing overwrite 覆盖，或 --existing append 追加。");
    case MsgId::OutputBusy:
        return say(u"另一个输出正在写入输出目录：" + path + u"，已停止，请等它结束后再运行。");
    case MsgId::OutputIsLink:
        return say(u"输出文件是一个链接：" + path +
                   u"，不会通过链接追加，已停止。可用 --existing overwrite 删除链接后重写，或换一个输出目录。");
    case MsgId::OutputAppeared:
        return say(u"输出文件在检查之后被别的程序创建：" + path +
                   u"，已停止。请确认没有别的程序在写这个目录，再重新运行。");
    case MsgId::InputChanged:
        return say(u"输入文件在读取时被修改，输出已中止，输出目录没有改动，请在文件不再变化后重新运行。");
    case MsgId::InputShrank:
        return say(u"输入文件在分析之后变短，输出已中止，已写出的文件不完整，请重新运行。");
    default:
        // The rest are statements already: the failure, its path and the system's reason.
        return say(msg.text);
    }
}

namespace {

// The text after `marker` in `what`, or empty.
std::string after(const std::string& what, const std::string& marker) {
    const std::size_t at = what.find(marker);
    return at == std::string::npos ? std::string() : what.substr(at + marker.size());
}

// The first word of `what` that starts with a dash: the option the parser complains about.
std::string optionIn(const std::string& what) {
    for (std::size_t at = 0; at < what.size();) {
        const std::size_t end = std::min(what.find_first_of(" ,:", at), what.size());
        if (what[at] == '-' && end > at + 1) return what.substr(at, end - at);
        at = end + 1;
    }
    return {};
}

constexpr char kSeeHelp[] = "（用法见 --help）。";

} // namespace

std::string usageErrorText(const std::string& kind, const std::string& what, const std::vector<std::string>& commands) {
    // The parser names some errors after the command they arose in: the text tells them apart.
    if (const std::string extra = after(what, " not expected: "); !extra.empty()) {
        // The parser lists them last first.
        std::vector<std::string> words;
        for (std::size_t at = 0; at <= extra.size();) {
            const std::size_t end = std::min(extra.find(' ', at), extra.size());
            words.push_back(extra.substr(at, end - at));
            at = end + 1;
        }
        std::string inOrder;
        for (auto w = words.rbegin(); w != words.rend(); ++w)
            inOrder.append(inOrder.empty() ? "" : " ").append(*w);
        return "多余的参数：" + inOrder + "，请去掉它" + kSeeHelp;
    }
    if (what.rfind("A subcommand", 0) == 0) {
        std::string list;
        for (std::size_t i = 0; i < commands.size(); ++i)
            list.append(i == 0 ? "" : i + 1 == commands.size() ? " 或 " : "、").append(commands[i]);
        return "没有给出命令，请写上 " + list + kSeeHelp;
    }
    if (what.rfind("FILE is required", 0) == 0) return say(u"没有给出输入文件，请在命令行写上要处理的文件。");
    if (const std::size_t at = what.find(" is required"); at != std::string::npos)
        return "缺少必需的参数：" + what.substr(0, at) + kSeeHelp;
    if (const std::size_t at = what.find(" excludes "); at != std::string::npos)
        return what.substr(0, at) + " 和 " + what.substr(at + 10) + " 不能同时使用，请只用其中一个。";
    if (kind == "ValidationError") {
        // "NAME: the check's own words", which are ours and say what to give instead.
        const std::size_t at = what.find(": ");
        if (at != std::string::npos) return what.substr(0, at) + " " + what.substr(at + 2) + "。";
    }
    if (const std::string option = optionIn(what); !option.empty()) {
        if (kind == "ArgumentMismatch") return option + " 后面缺少值" + kSeeHelp;
        return option + " 的值不对" + kSeeHelp;
    }
    return "命令行有误：" + what + kSeeHelp;
}

std::string batchSharedPlaceText(const std::string& first, const std::string& second, const Text& place, bool book) {
    return first + " 和 " + second + say(book ? u" 会写成同一本电子书：" : u" 会输出到同一个目录：") + say(place) +
           say(u"，已停止，没有写出任何文件。请给其中一个文件改名，或分开处理。");
}

std::string batchBookFolderText(const Text& dir) {
    return say(u"有多个输入文件时，-o 要给出放电子书的已有目录：" + dir +
               u" 不是目录，已停止。请先创建它，或加 --create-dir。");
}

std::string keptSuspectsText(std::int64_t suspects) {
    return say(u"其中有 " + decimal(suspects) +
               u" 个可疑标题仍作为章节：用 scan --check 查看，用 --exclude-suspects 排除。");
}

std::string perVolumeNeedsPatternText() {
    return say(u"--per-volume 需要卷标题条件，请用 --volume-pattern 给出，或用 --preset volume。");
}

std::string noVolumesText() {
    return say(u"没有符合卷标题条件的行，无法按卷分册，请检查卷标题条件（--volume-pattern）。");
}

std::string bookTooBigForMailText() {
    return say(u"电子书超过 50 MB，用邮件发送到 Kindle 会被拒收；可改用 USB 或 Send to Kindle 应用传送。");
}

std::string madeFoldersText(const std::vector<Text>& made) {
    Text line = u"已创建目录：";
    for (std::size_t i = 0; i < made.size(); ++i)
        line += (i ? u"、" : u"") + made[i];
    return say(line + u"。");
}

std::string batchNotAFolderText(const Text& dir) {
    return say(u"输出目录不是目录：" + dir + u"，已停止，请用 -o 给出一个目录。");
}

std::string batchPlaceIsLinkText(const Text& place) {
    return say(u"输出位置是一个链接：" + place + u"，不会写到链接指向的地方，已跳过。请删除或改名这个链接后再运行。");
}

std::string batchStartFailedText(const Text& reason) {
    return say(u"无法启动处理（" + reason + u"），请稍后重新运行。");
}

std::string batchRunKilledText(int signal) {
    return say(u"处理意外结束（信号 " + decimal(signal) + u"），输出可能不完整，请单独重新运行这个文件。");
}

std::string batchDoneLine(const std::string& file, const Text& place, std::int64_t outputs, std::int64_t chapters,
                          bool book, std::int64_t keptSuspects) {
    Text what = book ? decimal(chapters) + u" 章" : decimal(outputs) + u" 个文件，" + decimal(chapters) + u" 章";
    if (keptSuspects > 0) what += u"，其中可疑标题 " + decimal(keptSuspects) + u" 个";
    return say(u"完成：") + file + " → " + say(place) + say(u"（" + what + u"）");
}

std::string batchFailedLine(const std::string& file, const std::string& why) {
    return say(u"失败：") + file + say(u"：") + why;
}

std::string batchInterruptedLine(const std::string& file, const std::string& why) {
    return say(u"中断：") + file + say(u"：") + why;
}

std::string batchNotStartedLine(const std::string& file) {
    return say(u"未开始：") + file;
}

std::string batchTotalsLine(const BatchTotals& t, bool book) {
    Text line = u"共 " + decimal(t.novels) + u" 本：完成 " + decimal(t.done) + u" 本";
    if (t.failed) line += u"，失败 " + decimal(t.failed) + u" 本";
    if (t.interrupted) line += u"，中断 " + decimal(t.interrupted) + u" 本";
    if (t.notStarted) line += u"，未开始 " + decimal(t.notStarted) + u" 本";
    line += book ? u"；写出 " + decimal(t.outputs) + u" 本电子书，共 " + decimal(t.chapters) + u" 章。"
                 : u"；写出 " + decimal(t.outputs) + u" 个文件，共 " + decimal(t.chapters) + u" 章。";
    if (t.keptSuspects > 0)
        line += u"可疑标题 " + decimal(t.keptSuspects) +
                u" 个仍作为章节：用 scan --check 查看，用 --exclude-suspects 排除。";
    return say(line);
}

namespace {

// The characters of a UTF-8 text, each with its bytes.
std::vector<std::string> characters(const std::string& s) {
    std::vector<std::string> all;
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        all.push_back(s.substr(i, len));
        i += len;
    }
    return all;
}

constexpr char kEllipsis[] = "…";
constexpr char kBetweenNames[] = "、";
constexpr std::size_t kFewestColumns = 8; // a name in fewer tells nothing

} // namespace

std::size_t terminalColumns(const std::string& s) {
    std::size_t width = 0;
    for (const std::string& c : characters(s))
        width += c.size() >= 3 ? 2 : 1;
    return width;
}

std::string shortenedInMiddle(const std::string& s, std::size_t width) {
    if (terminalColumns(s) <= width) return s;
    const std::size_t room = width > terminalColumns(kEllipsis) ? width - terminalColumns(kEllipsis) : 0;
    const std::vector<std::string> chars = characters(s);
    // The end gets the larger share: it tells the names apart.
    std::size_t headRoom = room / 3, tailRoom = room - headRoom;
    std::string head, tail;
    for (std::size_t i = 0; i < chars.size() && terminalColumns(chars[i]) <= headRoom; ++i) {
        head += chars[i];
        headRoom -= terminalColumns(chars[i]);
    }
    tailRoom += headRoom; // what the head could not use, the tail may
    for (std::size_t i = chars.size(); i-- > 0 && terminalColumns(chars[i]) <= tailRoom;) {
        tail.insert(0, chars[i]);
        tailRoom -= terminalColumns(chars[i]);
    }
    return head + kEllipsis + tail;
}

std::string inFlightText(const std::vector<std::string>& names, std::size_t width) {
    const std::size_t between = terminalColumns(kBetweenNames);
    // As many as fit at the fewest columns a name may have, and a count of the rest.
    std::size_t shown = names.size();
    std::string more;
    while (shown > 0 && shown * kFewestColumns + (shown - 1) * between + terminalColumns(more) > width) {
        --shown;
        more = say(u" 等 " + decimal(static_cast<std::int64_t>(names.size())) + u" 本");
    }
    if (shown == 0) return {};
    // The room is shared out: names narrower than their share keep their width, and what they
    // leave goes to the others.
    std::size_t room = width - (shown - 1) * between - terminalColumns(more);
    std::vector<std::size_t> order(shown);
    for (std::size_t i = 0; i < shown; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&names](std::size_t x, std::size_t y) { return terminalColumns(names[x]) < terminalColumns(names[y]); });
    std::vector<std::size_t> widths(shown);
    for (std::size_t k = 0; k < shown; ++k) {
        const std::size_t i = order[k];
        widths[i] = std::min(terminalColumns(names[i]), room / (shown - k));
        room -= widths[i];
    }
    std::string line;
    for (std::size_t i = 0; i < shown; ++i)
        line.append(i ? kBetweenNames : "").append(shortenedInMiddle(names[i], widths[i]));
    return line + more;
}

std::string batchProgressText(std::int64_t done, std::int64_t all, std::int64_t bytesDone, std::int64_t bytesAll,
                              const std::string& inFlight) {
    const auto mb = [](std::int64_t bytes) {
        const std::int64_t tenths = (bytes * 10 + 524288) / 1048576;
        return decimal(tenths / 10) + u"." + decimal(tenths % 10);
    };
    Text line = decimal(done) + u"/" + decimal(all) + u" 本  " + mb(bytesDone) + u"/" + mb(bytesAll) + u" MB";
    if (!inFlight.empty()) line += u"  正在处理：";
    return say(line) + inFlight;
}

std::string scanInterruptedText(bool listing) {
    return say(listing ? u"已中断，分析未完成，列出的标题不全。" : u"已中断，分析未完成，没有写出任何文件。");
}

std::string splitInterruptedText(const std::optional<Text>& incomplete, bool wroteAny, const Undone& undone,
                                 bool appending) {
    if (undone.any())
        return say(u"已中断，" + undoneText(undone) + (undone.left.empty() ? u"可重新运行同一命令。" : u""));
    if (!wroteAny) return say(u"已中断，没有写出任何文件。");
    // Nothing was appended yet: each file written is one this run made.
    const Text again = appending ? u"这些文件是本次新建的，重新追加前请先删除它们，以免内容重复。"
                                 : u"重新输出时可加 --existing overwrite 覆盖已写出的文件。";
    if (incomplete) return say(u"已中断，文件没有写完：" + *incomplete + u"，其后的文件未写出。" + again);
    return say(u"已中断，已写出的文件都是完整的，其后的文件未写出。" + again);
}

} // namespace pw::cli
