// The split writer's chapters, groups, file names, questions and texts; and what the classic
// writer never handled: an output path that is the novel itself, an input that shrank after
// the scan, file-system failures, and the window closing.
#include <gtest/gtest.h>

#include "support/file_size_limit.h"
#include "support/novel.h"
#include "support/split_test_util.h"

using namespace pwtest;
using pw::MsgAnswer;
using pw::MsgStyle;
using pw::SplitEnd;

namespace {

namespace fs = std::filesystem;

std::string chapters(int count, int bodyLines) {
    std::string s = "title\r\n";
    for (int k = 1; k <= count; ++k) {
        s += "CH" + std::to_string(k) + "\r\n";
        for (int b = 0; b < bodyLines; ++b)
            s += "line " + std::to_string(b) + " of " + std::to_string(k) + "\r\n";
    }
    return s;
}

// Lines "Ln\r\n" from `first` to `last`, the ones in `headings` written "CHn" instead.
std::string lines(int first, int last, std::initializer_list<int> headings) {
    std::string s;
    for (int n = first; n <= last; ++n) {
        const bool h = std::find(headings.begin(), headings.end(), n) != headings.end();
        s += (h ? "CH" : "L") + std::to_string(n) + "\r\n";
    }
    return s;
}

} // namespace

TEST(Split, ChaptersGroupSixToAFileWithThePreambleApart) {
    // Eight headings, the first on line 40: the classic example.
    const auto h = {40, 50, 60, 70, 80, 90, 100, 110};
    SplitSetup s(lines(1, 120, h), 6);
    const pw::SplitResult r = s.run();
    ASSERT_EQ(r.end, SplitEnd::Done);
    EXPECT_EQ(r.files, 3);
    EXPECT_EQ(s.outputs(), (std::map<std::int64_t, std::string>{
                               {0, lines(1, 39, h)}, {1, lines(40, 99, h)}, {2, lines(100, 120, h)}}));
    // Status and bar as each file opens: the share of lines before it, of lines + 1.
    EXPECT_EQ(s.ui.statuses, (std::vector<pw::Text>{u"正在处理:小说(index)，完成:0%", u"正在处理:小说01，完成:33%",
                                                    u"正在处理:小说02，完成:82%", u"处理完毕，一共 3 个文件！"}));
    EXPECT_EQ(s.ui.progress, (std::vector<int>{0, 33, 82, 0}));
    EXPECT_TRUE(s.ui.boxes.empty());
}

TEST(Split, HeadingOnLineOneAndExcludedHeadings) {
    const auto h = {1, 5, 9, 13, 17};
    // First heading on line 1: no preamble and no "(index)" file.
    SplitSetup s(lines(1, 20, h), 2);
    ASSERT_EQ(s.run().end, SplitEnd::Done);
    EXPECT_EQ(s.outputs(),
              (std::map<std::int64_t, std::string>{{1, lines(1, 8, h)}, {2, lines(9, 16, h)}, {3, lines(17, 20, h)}}));
    EXPECT_EQ(s.ui.statuses.front(), u"正在处理:小说01，完成:4%");

    // Every entry excluded: refused, and an existing output file is left alone.
    SplitSetup all(lines(1, 20, h), 2);
    writeAll(all.pathOf(1), "old");
    EXPECT_EQ(all.run({4, 3, 2, 1, 0}).end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(all.ui), (std::vector<std::string>{"排除全部条件，无法分割！", "请重新选择条件！"}));
    EXPECT_EQ(all.ui.boxes[0].style, MsgStyle::Refusal);
    EXPECT_EQ(all.outputs(), (std::map<std::int64_t, std::string>{{1, "old"}}));
}

TEST(Split, QuestionsAndRefusalsBeforeAnyFile) {
    const auto h = {3, 6};
    pw::WorkingState fresh;
    ScriptedUi ui;
    EXPECT_FALSE(pw::precheckSplit(fresh, 0, ui));
    EXPECT_EQ(boxesAndStatus(ui), (std::vector<std::string>{"还未分析，请先分析文件！", "请先“分析”文件..."}));

    SplitSetup none(lines(1, 8, {}), 6);
    EXPECT_FALSE(pw::precheckSplit(none.st, 0, none.ui));
    EXPECT_EQ(boxesAndStatus(none.ui),
              (std::vector<std::string>{"无符合条件的行，无法分割！", "请重新输入条件分析！"}));

    // The field names another file: No stops; Yes writes from the analysed one.
    SplitSetup other(lines(1, 8, h), 6);
    EXPECT_TRUE(pw::precheckSplit(other.st, 2, other.ui));
    other.st.strInFile = pw::fromPath(other.dir / "other.txt");
    EXPECT_EQ(other.run().end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(other.ui),
              (std::vector<std::string>{"分析文件不是当前的文件，继续？", "重新分析此文件！"}));
    EXPECT_EQ(other.ui.boxes[0].style, MsgStyle::Warning);
    EXPECT_TRUE(other.outputs().empty());
    other.ui.answer({MsgAnswer::Yes});
    ASSERT_EQ(other.run().end, SplitEnd::Done);
    EXPECT_EQ(other.file(1), lines(3, 8, h));

    SplitSetup gone(lines(1, 8, h), 6);
    std::filesystem::remove(gone.input);
    EXPECT_EQ(gone.run().end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(gone.ui), (std::vector<std::string>{"输入文件不存在！", "文件不存在，无法输出！"}));

    // The size changed: No stops; Yes writes, and what was added after the scan joins the last
    // chapter, a new heading included, and no file is asked about.
    SplitSetup grew(lines(1, 8, h), 1);
    writeAll(grew.input, lines(1, 8, h) + "CH9\r\nlast");
    EXPECT_EQ(grew.run().end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(grew.ui),
              (std::vector<std::string>{"文件被修改，继续输出？", "文件大小不一致，请重新分析！"}));
    EXPECT_TRUE(grew.outputs().empty());
    grew.ui.answer({MsgAnswer::Yes});
    ASSERT_EQ(grew.run().end, SplitEnd::Done);
    EXPECT_EQ(grew.ui.boxes.size(), 2u);
    EXPECT_EQ(grew.file(2), lines(6, 8, h) + "CH9\r\nlast\r\n");
    EXPECT_EQ(grew.ui.lastStatus(), "处理完毕，一共 3 个文件！");
}

TEST(SplitFaults, TheInputIsNeverAnOutput) {
    const std::string text = chapters(4, 2);
    // The novel sits in the output folder under the name of file 2.
    SplitSetup s(text, 1);
    const fs::path novel = s.pathOf(2);
    fs::rename(s.input, novel);
    s.st.strInFile = s.st.strAnalyzedFile = pw::fromPath(novel);
    EXPECT_EQ(s.run().end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(s.ui), (std::vector<std::string>{"输出文件就是输入文件，无法输出：" + novel.string(),
                                                              "请更改输出路径或文件名！"}));
    EXPECT_EQ(readAll(novel), text);
    EXPECT_EQ(s.outputs().size(), 1u); // only the novel itself: not even "(index)" was made

    // Another path to the same file: a hard link named like the preamble's file.
    SplitSetup link(text, 1);
    fs::create_hard_link(link.input, link.pathOf(0));
    link.ui.answer({MsgAnswer::Yes, MsgAnswer::Yes});
    EXPECT_EQ(link.run().end, SplitEnd::Refused);
    EXPECT_EQ(link.ui.boxes.size(), 1u);
    EXPECT_EQ(readAll(link.input), text);
}

TEST(SplitFaults, AnInputThatShrankStopsWithoutSuccess) {
    const std::string text = chapters(6, 50);
    // Emptied after the scan, and the user went on: no output file at all.
    SplitSetup s(text, 2);
    writeAll(s.input, "");
    s.ui.answer({MsgAnswer::Yes});
    EXPECT_EQ(s.run().end, SplitEnd::Shrunk);
    EXPECT_TRUE(s.outputs().empty());
    EXPECT_EQ(boxesAndStatus(s.ui), (std::vector<std::string>{"文件被修改，继续输出？",
                                                              "输入文件比分析时短，输出已中止！已写出的文件不完整。",
                                                              "文件已被修改，请重新分析！"}));
    EXPECT_EQ(s.ui.progress.back(), 0);

    // Cut short during the pass, after the size check: what was read is written, and closed.
    SplitSetup cut(text, 2);
    const std::size_t at = text.rfind("\r\n", text.size() / 2) + 2;
    cut.ui.onPump = [&] { fs::resize_file(cut.input, at); };
    const pw::SplitResult r = cut.run({}, 256);
    EXPECT_EQ(r.end, SplitEnd::Shrunk);
    EXPECT_EQ(r.files, static_cast<std::int64_t>(cut.outputs().size()));
    EXPECT_EQ(cut.joined(), text.substr(0, at));
    EXPECT_EQ(cut.ui.boxes.size(), 1u);
    EXPECT_EQ(cut.ui.lastStatus(), "文件已被修改，请重新分析！");
}

TEST(SplitFaults, AnOutputThatCannotBeCreatedStopsAndNamesTheFile) {
    // The output folder's path runs through a regular file: nothing can be created.
    SplitSetup s(chapters(4, 2), 1);
    writeAll(s.dir / "plain", "x");
    s.st.strOutDir = pw::fromPath(s.dir / "plain" / "out");
    EXPECT_EQ(s.run().end, SplitEnd::Failed);
    const std::string path = pw::toUtf8(pw::MakeOutName(s.st, 0, false));
    EXPECT_EQ(boxesAndStatus(s.ui),
              (std::vector<std::string>{"创建文件失败：" + path + "（路径中有一项不是文件夹）", "输出失败！"}));
    EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Refusal);
}

TEST(SplitFaults, AFullDiskIsAWriteFailure) {
    // A real write failure: a child process limited to 64 KiB per file splits a novel of some 200 KB.
    const Novel novel = makeNovel({.chapters = 250});
    ASSERT_GT(novel.bytes.size(), 150'000u);
    SplitSetup s(novel.bytes, 1000, looksLikeHeading);
    EXPECT_TRUE(inChildWithFileSizeLimit(64 * 1024, [&] {
        const pw::SplitResult r = s.run();
        const std::string want = "写入文件失败：" + s.pathOf(1).string() + "（文件太大）";
        return r.end == SplitEnd::Failed && boxesAndStatus(s.ui) == std::vector<std::string>{want, "输出失败！"} &&
               r.files == 2;
    }));
    EXPECT_EQ(fs::file_size(s.pathOf(1)), 64u * 1024u);
}

TEST(SplitFaults, ClosingTheWindowStopsThePassWithFilesClosed) {
    // The event turns come whatever blnDoEvents says; at the first one the user closes.
    const std::string text = chapters(40, 200);
    SplitSetup s(text, 2);
    s.st.blnDoEvents = false;
    s.ui.onPump = [&] { s.ui.stop = true; };
    const pw::SplitResult r = s.run({}, 4096);
    EXPECT_EQ(r.end, SplitEnd::Stopped);
    EXPECT_GE(s.ui.pumps, 1);
    EXPECT_TRUE(s.ui.boxes.empty());
    EXPECT_EQ(s.ui.lastStatus(), "输出已中止。");
    const std::string joined = s.joined(); // written up to the stop, and flushed
    EXPECT_LT(joined.size(), text.size());
    EXPECT_EQ(text.substr(0, joined.size()), joined);
}
