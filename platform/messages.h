#pragma once
// What a message box says, and which one it is. Each message the core raises carries an id
// beside its exact text, and the id decides its style: a front end that answers for the user
// (the command line, a test) chooses by the id, never by reading the text.
#include "platform/files.h"
#include "platform/text.h"

namespace pw {

// The message box kinds the program uses, by their classic style numbers.
enum class MsgStyle : int {
    Refusal = 16,  // "错误", error icon, OK
    Offer = 36,    // "询问", question icon, Yes/No
    Notice = 48,   // "提示", exclamation icon, OK: the work is done, with something to know about it
    About = 64,    // "关于 Pagewright", information icon, OK
    Warning = 308, // "警告", exclamation icon, Yes/No with No as the default
};

// Cancel is never a user's click: a front end that may not answer a question for the
// user gives it, and the pass stops as refused before it does anything more.
enum class MsgAnswer { Ok, Yes, No, Cancel };

enum class MsgId {
    // The option intake.
    NoInputFile,
    NoOutDir,
    OutDirIsFile,
    OfferCreateFolder, // Offer: create the missing output folder?
    CreateFolderFailed,
    BadOutName,
    NameNumberTooBig,
    CountOutOfRange,
    NotTextFile,        // a picked or dropped file that is no text file
    UnreadableFileName, // a picked name the system could not spell back
    // Either pass.
    InputMissing,
    InputNotRegular, // a named pipe, a device or a loop of links: there, but no file to read
    OpenFailed,
    ReadFailed,
    // The scan.
    BadPattern,
    OddTrailingByte, // Notice: a UTF-16 file ends in half a unit
    PatternRunaway,
    LineTooLong, // a line longer than the reader holds: no text file
    Utf32,       // a UTF-32 byte-order mark: an encoding the program does not read
    MatchFailed,
    // The split writer.
    NotAnalyzed,
    NoHeadings,
    NotCurrentFile, // Warning: the scanned file is not the one named now, go on?
    SizeChanged,    // Warning: the file changed size since the scan, go on?
    AllExcluded,
    OutputIsInput,
    OutputExists,   // Warning: the output file exists, delete it (Yes) or append (No)?
    OutputBusy,     // another output pass holds the output folder
    OutputIsLink,   // appending would write through a symbolic link
    OutputAppeared, // a file or link turned up where the plan found nothing
    AppendMixes,    // appending would put a second encoding into an existing file
    InputShrank,
    InputChanged, // the input was cut, rewritten or replaced while the one read read it
    DeleteFailed,
    CreateFailed,
    WriteFailed,
    BytesReplaced,  // Notice: bytes that did not decode became U+FFFD in the converted files
    OrphansRemoved, // Notice: temporary files of a run killed before it cleaned up were removed
    AppendUndone,   // after a failure: what a run that had appended took back (run_undo.h)
    // The book's own settings.
    BookTitleEmpty,
    BadVolumePattern,
    CoverUnreadable,
    CoverNotImage,
    BookFolderMissing,
    // A book per volume.
    NoVolumes,   // the volume pattern found no line
    VolumeNames, // a volume's book cannot be named (too long, or the same name as another's)
    // The window.
    About,
};

MsgStyle styleOf(MsgId id);

struct Message {
    MsgId id;
    Text text;
    // The path the message is about, when it names one: a front end that words the message
    // its own way needs it without picking it out of the text.
    Text subject{};
    MsgStyle style() const { return styleOf(id); }
    bool isQuestion() const { return style() == MsgStyle::Offer || style() == MsgStyle::Warning; }
};

// Texts that more than one pass shows.
inline constexpr char16_t kInputMissingText[] = u"输入文件不存在！";
inline constexpr char16_t kInputNotRegularText[] = u"输入的不是普通文件（管道、设备或链接循环），无法读取！";
inline constexpr char16_t kReadFailedText[] = u"读取文件失败：";

// A run that ran out of memory, or of threads, ends with this instead of aborting: every
// front end catches it where it started the run, after the run's temporary files are gone.
inline constexpr char16_t kOutOfMemoryText[] =
    u"内存不足，已停止，临时文件已删除。请关闭其他程序后重试，或处理小一些的文件。";
inline constexpr char16_t kNoResourcesBefore[] = u"系统资源不足（";
inline constexpr char16_t kNoResourcesAfter[] = u"），已停止，临时文件已删除。请关闭其他程序后重试。";

// "写入文件失败：D:\书\小说03.txt（磁盘已满）": a prefix, then the path and the system's reason.
inline Text failureText(TextView prefix, const FileError& e) {
    return Text(prefix) + e.path + u"（" + e.reason + u"）";
}

} // namespace pw
