#include "cli/cli_texts.h"

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
        return say(u"输出文件名不正确：" + argument(o.name) + u"，请用 -n 换一个文件名。");
    case MsgId::NameNumberTooBig:
        return say(u"输出文件名中的编号太大（最大 2147483647），请用 -n 换一个小一些的编号。");
    case MsgId::CountOutOfRange:
        return say(u"每个文件的章数超出范围（1 到 2147483647），请用 -c 给出范围内的数。");
    case MsgId::InputMissing:
        return say(u"输入文件不存在：" + fromNativeBytes(o.file) + u"，请检查文件名。");
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

std::string scanInterruptedText(Command command) {
    return say(command == Command::Scan ? u"已中断，分析未完成，列出的标题不全。"
                                        : u"已中断，分析未完成，没有写出任何文件。");
}

std::string splitInterruptedText(const std::optional<Text>& incomplete, bool wroteAny) {
    if (!wroteAny) return say(u"已中断，没有写出任何文件。");
    const Text again = u"重新输出时可加 --existing overwrite 覆盖已写出的文件。";
    if (incomplete) return say(u"已中断，文件没有写完：" + *incomplete + u"，其后的文件未写出。" + again);
    return say(u"已中断，已写出的文件都是完整的，其后的文件未写出。" + again);
}

} // namespace pw::cli
