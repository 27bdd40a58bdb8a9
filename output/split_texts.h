#pragma once
// Every text that the split writer shows, in one place (those the scan shows too are in
// platform/messages.h). The first group is the program's classic wording; the second covers
// what the classic program never handled.
#include "platform/text.h"

namespace pw::split_text {

// Refusals and questions before any file is touched, with the status each one leaves.
inline constexpr char16_t kNotAnalyzed[] = u"还未分析，请先分析文件！";
inline constexpr char16_t kNotAnalyzedStatus[] = u"请先“分析”文件...";
inline constexpr char16_t kNoHeadings[] = u"无符合条件的行，无法分割！";
inline constexpr char16_t kNoHeadingsStatus[] = u"请重新输入条件分析！";
inline constexpr char16_t kNotCurrentFile[] = u"分析文件不是当前的文件，继续？";
inline constexpr char16_t kNotCurrentFileStatus[] = u"重新分析此文件！";
inline constexpr char16_t kInputMissingStatus[] = u"文件不存在，无法输出！";
inline constexpr char16_t kSizeChanged[] = u"文件被修改，继续输出？";
inline constexpr char16_t kSizeChangedStatus[] = u"文件大小不一致，请重新分析！";
inline constexpr char16_t kAllExcluded[] = u"排除全部条件，无法分割！";
inline constexpr char16_t kAllExcludedStatus[] = u"请重新选择条件！";
// Follows the output path.
inline constexpr char16_t kExistsDelete[] = u"已存在，删除？";

// The pass itself.
inline constexpr char16_t kWorking[] = u"正在处理:";
inline constexpr char16_t kWorkingDone[] = u"，完成:";
inline constexpr char16_t kFinished[] = u"处理完毕，一共 ";
inline constexpr char16_t kFinishedFiles[] = u" 个文件！";

// Our own: an output path that is the novel itself would delete or grow the text being read.
inline constexpr char16_t kOutputIsInput[] = u"输出文件就是输入文件，无法输出：";
inline constexpr char16_t kOutputIsInputStatus[] = u"请更改输出路径或文件名！";
// The input ended before the lines the scan counted: the output would be short.
inline constexpr char16_t kInputShrank[] = u"输入文件比分析时短，输出已中止！已写出的文件不完整。";
inline constexpr char16_t kInputShrankStatus[] = u"文件已被修改，请重新分析！";
// The one read met a file cut short, rewritten or replaced before it got to the end: what it
// read is no text that ever was whole, so nothing of it is put in place.
inline constexpr char16_t kInputChanged[] = u"输入文件在读取时被修改，输出已中止！输出目录没有改动。";
// A run killed outright (or a power cut) cannot remove its temporary files; the next run that
// holds the folder can: "输出目录中有 3 个上次中断的输出留下的临时文件（.pagewright-*.part），已删除。"
inline constexpr char16_t kOrphansRemovedBefore[] = u"输出目录中有 ";
inline constexpr char16_t kOrphansRemovedAfter[] = u" 个上次中断的输出留下的临时文件（.pagewright-*.part），已删除。";
// Another output pass is writing into the same folder: two at once would mix their files.
inline constexpr char16_t kOutputBusy[] = u"输出目录正被另一个输出使用，无法输出：";
inline constexpr char16_t kOutputBusyStatus[] = u"请等另一个输出结束后再试！";
// Appending through a link would write the text wherever the link points.
inline constexpr char16_t kOutputIsLink[] = u"输出文件是一个链接，不会通过链接写入：";
// A file the check found missing is there now: another program writes into the folder.
inline constexpr char16_t kOutputAppeared[] = u"输出文件在检查之后被别的程序创建，输出已中止：";
// Appending this run's bytes after text in another encoding would leave a file that no
// reader shows whole: "输出文件 …小说01.txt 是 UTF-8 编码，本次输出是 UTF-16LE 编码，…"
inline constexpr char16_t kAppendMixesBefore[] = u"输出文件 ";
inline constexpr char16_t kAppendMixesIs[] = u" 是 ";
inline constexpr char16_t kAppendMixesOutput[] = u" 编码，本次输出是 ";
inline constexpr char16_t kAppendMixesAfter[] = u" 编码，追加会使一个文件混用两种编码，输出已中止！请删除（覆盖）该文件"
                                                u"、换一个输出目录，或选用与它相同的输出编码。";
// File-system failures: the prefix, then the path and the system's reason (failureText).
inline constexpr char16_t kDeleteFailed[] = u"删除文件失败：";
inline constexpr char16_t kCreateFailed[] = u"创建文件失败：";
inline constexpr char16_t kWriteFailed[] = u"写入文件失败：";
inline constexpr char16_t kFailedStatus[] = u"输出失败！";
// UTF-8 output of bytes that do not decode: "转换为 UTF-8 时，有 3 处字节无法按 GB18030 解码，已替换为 U+FFFD（�）。"
inline constexpr char16_t kReplacedBefore[] = u"转换为 ";
inline constexpr char16_t kReplacedTarget[] = u" 时，有 ";
inline constexpr char16_t kReplacedMiddle[] = u" 处字节无法按 ";
inline constexpr char16_t kReplacedAfter[] = u" 解码，已替换为 U+FFFD（\uFFFD）。";
// A book leaves out what XML cannot hold: "有 2 个电子书不能容纳的控制字符已删去。"
inline constexpr char16_t kUnmappableBefore[] = u"有 ";
inline constexpr char16_t kUnmappableMiddle[] = u" 个字符无法用 ";
inline constexpr char16_t kUnmappableAfter[] = u" 表示，已写作";
inline constexpr char16_t kDroppedBefore[] = u"有 ";
inline constexpr char16_t kDroppedAfter[] = u" 个电子书不能容纳的控制字符已删去。";
// A run that had appended and then failed or was stopped takes it back (run_undo.h):
// "已撤回本次追加：2 个文件恢复到追加前的内容，本次新建的 1 个文件已删除，输出目录与运行前相同。"
inline constexpr char16_t kUndoneBefore[] = u"已撤回本次追加：";
inline constexpr char16_t kUndoneRestored[] = u" 个文件恢复到追加前的内容";
inline constexpr char16_t kUndoneRemovedBefore[] = u"本次新建的 ";
inline constexpr char16_t kUndoneRemovedAfter[] = u" 个文件已删除";
inline constexpr char16_t kUndoneWhole[] = u"，输出目录与运行前相同。";
inline constexpr char16_t kUndoneLeft[] = u"；未能恢复：";
inline constexpr char16_t kUndoneNothing[] = u"本次追加";
inline constexpr char16_t kUndoneNone[] = u"未能撤回：";
inline constexpr char16_t kUndoneLeftAfter[] = u"，请检查这些文件。";
// The window closed during the pass.
inline constexpr char16_t kStoppedStatus[] = u"输出已中止。";

} // namespace pw::split_text

namespace pw::epub_text {

// Refusals of the book's settings, before anything is read or written.
inline constexpr char16_t kTitleEmpty[] = u"书名不能为空！";
inline constexpr char16_t kBadVolumePattern[] = u"卷标题条件不是正确的正则表达式：";
inline constexpr char16_t kCoverUnreadable[] = u"无法读取封面图片：";
inline constexpr char16_t kCoverNotImage[] = u"封面图片不是 JPEG 或 PNG 格式：";
inline constexpr char16_t kFolderMissing[] = u"电子书的输出目录不存在：";
inline constexpr char16_t kCheckStatus[] = u"请检查电子书的设置！";
// "处理完毕，已生成电子书 全集.epub，共 120 章！"
inline constexpr char16_t kDoneBefore[] = u"处理完毕，已生成电子书 ";
inline constexpr char16_t kDoneChapters[] = u"，共 ";
inline constexpr char16_t kDoneAfter[] = u" 章！";

} // namespace pw::epub_text
