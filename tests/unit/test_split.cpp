// The split writer's chapters, groups, file names, questions and texts.
#include <gtest/gtest.h>

#include "split/kept_table.h"
#include "split_test_util.h"

using namespace pwtest;
using pw::MsgAnswer;
using pw::MsgStyle;
using pw::SplitEnd;

namespace {

// `count` lines "Ln\r\n", the ones in `headings` written "CHn" instead.
std::string numberedLines(int count, std::initializer_list<int> headings) {
    std::string s;
    for (int n = 1; n <= count; ++n) {
        const bool h = std::find(headings.begin(), headings.end(), n) != headings.end();
        s += (h ? "CH" : "L") + std::to_string(n) + "\r\n";
    }
    return s;
}

std::string linesFromTo(int first, int last, std::initializer_list<int> headings) {
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
    SplitSetup s(numberedLines(120, h), 6);
    const pw::SplitResult r = s.run();
    ASSERT_EQ(r.end, SplitEnd::Done);
    EXPECT_EQ(r.files, 3);
    EXPECT_EQ(s.file(0), linesFromTo(1, 39, h));
    EXPECT_EQ(s.file(1), linesFromTo(40, 99, h));
    EXPECT_EQ(s.file(2), linesFromTo(100, 120, h));
    EXPECT_EQ(s.outputs().size(), 3u);
    // Status and bar as each file opens: the share of lines before it, of lines + 1.
    const std::vector<std::string> statuses = {"正在处理:小说(index)，完成:0%", "正在处理:小说01，完成:33%",
                                               "正在处理:小说02，完成:82%", "处理完毕，一共 3 个文件！"};
    std::vector<std::string> shown;
    for (const auto& t : s.ui.statuses)
        shown.push_back(u8(t));
    EXPECT_EQ(shown, statuses);
    EXPECT_EQ(s.ui.progress,
              (std::vector<float>{0.0f, static_cast<float>(33 * 48.9), static_cast<float>(82 * 48.9), 15.0f}));
    EXPECT_TRUE(s.ui.boxes.empty());
    EXPECT_EQ(s.st.lngKeptLines, (std::vector<std::int64_t>{1, 40, 50, 60, 70, 80, 90, 100, 110, 121}));

    // One chapter to a file: the file index is the chapter number.
    SplitSetup one(numberedLines(120, h), 1);
    ASSERT_EQ(one.run().end, SplitEnd::Done);
    EXPECT_EQ(one.outputs().size(), 9u);
    EXPECT_EQ(one.file(1), linesFromTo(40, 49, h));
    EXPECT_EQ(one.file(8), linesFromTo(110, 120, h));
    EXPECT_EQ(one.ui.lastStatus(), "处理完毕，一共 9 个文件！");

    // More chapters to a file than there are: all in file 1, and the count is true (2, not 1).
    SplitSetup wide(numberedLines(120, h), 50);
    ASSERT_EQ(wide.run().end, SplitEnd::Done);
    EXPECT_EQ(wide.file(1), linesFromTo(40, 120, h));
    EXPECT_EQ(wide.ui.lastStatus(), "处理完毕，一共 2 个文件！");

    // A chapter count that divides the headings: 8 / 4 gives files 1 and 2, no third.
    SplitSetup even(numberedLines(120, h), 4);
    ASSERT_EQ(even.run().end, SplitEnd::Done);
    EXPECT_EQ(even.outputs().size(), 3u);
    EXPECT_EQ(even.ui.lastStatus(), "处理完毕，一共 3 个文件！");
}

TEST(Split, ExcludedHeadingsStayWithTheChapterBefore) {
    const auto h = {1, 5, 9, 13, 17};
    {
        // First heading on line 1: no preamble and no "(index)" file.
        SplitSetup s(numberedLines(20, h), 2);
        ASSERT_EQ(s.run().end, SplitEnd::Done);
        EXPECT_FALSE(s.has(0));
        EXPECT_EQ(s.file(1), linesFromTo(1, 8, h));
        EXPECT_EQ(s.file(2), linesFromTo(9, 16, h));
        EXPECT_EQ(s.file(3), linesFromTo(17, 20, h));
        EXPECT_EQ(u8(s.ui.statuses.front()), "正在处理:小说01，完成:4%");
    }
    {
        // The first heading excluded: its chapter joins the preamble.
        SplitSetup s(numberedLines(20, h), 2);
        ASSERT_EQ(s.run({0}).end, SplitEnd::Done);
        EXPECT_EQ(s.file(0), linesFromTo(1, 4, h));
        EXPECT_EQ(s.file(1), linesFromTo(5, 12, h));
    }
    {
        // A middle one excluded: its lines join chapter 1, and the file numbers run on.
        SplitSetup s(numberedLines(20, h), 1);
        ASSERT_EQ(s.run({1, 1}).end, SplitEnd::Done);
        EXPECT_EQ(s.file(1), linesFromTo(1, 8, h));
        EXPECT_EQ(s.file(2), linesFromTo(9, 12, h));
        EXPECT_EQ(s.file(4), linesFromTo(17, 20, h));
        EXPECT_FALSE(s.has(5));
        EXPECT_EQ(s.st.lngKeptCount, 4);
    }
    {
        // Every entry excluded: refused, and an existing output file is left alone.
        SplitSetup s(numberedLines(20, h), 2);
        writeAll(s.pathOf(1), "old");
        EXPECT_EQ(s.run({4, 3, 2, 1, 0}).end, SplitEnd::Refused);
        EXPECT_EQ(s.ui.boxTexts(), std::vector<std::string>{"排除全部条件，无法分割！"});
        EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Refusal);
        EXPECT_EQ(s.ui.lastStatus(), "请重新选择条件！");
        EXPECT_EQ(s.outputs().size(), 1u);
        EXPECT_EQ(s.file(1), "old");
    }
}

TEST(Split, ExistingFilesAreDeletedOrAppendedToAsAnswered) {
    const auto h = {3, 6};
    SplitSetup s(numberedLines(8, h), 1);
    writeAll(s.pathOf(0), "old preamble\r\n");
    writeAll(s.pathOf(2), "old two\r\n");
    s.ui.answer({MsgAnswer::No, MsgAnswer::Yes});
    const pw::SplitResult r = s.run();
    ASSERT_EQ(r.end, SplitEnd::Done);
    EXPECT_EQ(s.file(0), "old preamble\r\n" + linesFromTo(1, 2, h));
    EXPECT_EQ(s.file(1), linesFromTo(3, 5, h));
    EXPECT_EQ(s.file(2), linesFromTo(6, 8, h));
    ASSERT_EQ(s.ui.boxes.size(), 2u);
    EXPECT_EQ(s.ui.boxes[0].text, pw::fromPath(s.pathOf(0)) + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[1].text, pw::fromPath(s.pathOf(2)) + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Warning);
    // Appended-to files count: this run wrote to all three.
    EXPECT_EQ(s.ui.lastStatus(), "处理完毕，一共 3 个文件！");
}

TEST(Split, BlankLinesAreOnlyThoseOfSpaces) {
    // GB18030: the ideographic space is A1 A1; a tab keeps its line.
    std::string gb = "CH1\r\n\r\n   \r\n\t\r\n\xA1\xA1 \xA1\xA1\r\n \xA1\xA1x\r\n\xB0\xA1\r\n \n\rend";
    SplitSetup s(gb, 6);
    s.st.blnDeleteSpc = true;
    ASSERT_EQ(s.run().end, SplitEnd::Done);
    EXPECT_EQ(s.file(1), "CH1\r\n\t\r\n \xA1\xA1x\r\n\xB0\xA1\r\nend\r\n");
    // Kept, every line goes out with CR LF, whatever it ended with.
    SplitSetup keep(gb, 6);
    ASSERT_EQ(keep.run().end, SplitEnd::Done);
    EXPECT_EQ(keep.file(1), "CH1\r\n\r\n   \r\n\t\r\n\xA1\xA1 \xA1\xA1\r\n \xA1\xA1x\r\n\xB0\xA1\r\n \r\n\r\nend\r\n");

    // UTF-8: the ideographic space is E3 80 80; the GB18030 pair means nothing there.
    std::string u8in = "CH1\n\xE3\x80\x80\n\xE3\x80\x80\t\n\xE4\xB8\xAD\n\xA1\xA1\n";
    SplitSetup u(u8in, 6);
    u.st.blnDeleteSpc = true;
    u.st.analyzedEncoding = pw::Encoding::Utf8;
    ASSERT_EQ(u.run().end, SplitEnd::Done);
    EXPECT_EQ(u.file(1), "CH1\r\n\xE3\x80\x80\t\r\n\xE4\xB8\xAD\r\n\xA1\xA1\r\n");
}

TEST(Split, QuestionsAndRefusalsBeforeAnyFile) {
    const auto h = {3, 6};
    {
        pw::WorkingState st;
        ScriptedUi ui;
        EXPECT_FALSE(pw::precheckSplit(st, 0, ui));
        EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"还未分析，请先分析文件！"});
        EXPECT_EQ(ui.lastStatus(), "请先“分析”文件...");
    }
    {
        SplitSetup s(numberedLines(8, {}), 6);
        EXPECT_FALSE(pw::precheckSplit(s.st, 0, s.ui));
        EXPECT_EQ(s.ui.boxTexts(), std::vector<std::string>{"无符合条件的行，无法分割！"});
        EXPECT_EQ(s.ui.lastStatus(), "请重新输入条件分析！");
    }
    {
        // The field names another file: No stops; Yes writes from the analysed one.
        SplitSetup s(numberedLines(8, h), 6);
        EXPECT_TRUE(pw::precheckSplit(s.st, 2, s.ui));
        s.st.strInFile = pw::fromPath(s.dir / "other.txt");
        EXPECT_EQ(s.run().end, SplitEnd::Refused);
        EXPECT_EQ(s.ui.boxTexts(), std::vector<std::string>{"分析文件不是当前的文件，继续？"});
        EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Warning);
        EXPECT_EQ(s.ui.lastStatus(), "重新分析此文件！");
        EXPECT_TRUE(s.outputs().empty());
        s.ui.answer({MsgAnswer::Yes});
        ASSERT_EQ(s.run().end, SplitEnd::Done);
        EXPECT_EQ(s.file(1), linesFromTo(3, 8, h));
    }
    {
        SplitSetup s(numberedLines(8, h), 6);
        std::filesystem::remove(s.input);
        EXPECT_EQ(s.run().end, SplitEnd::Refused);
        EXPECT_EQ(s.ui.boxTexts(), std::vector<std::string>{"输入文件不存在！"});
        EXPECT_EQ(s.ui.lastStatus(), "文件不存在，无法输出！");
    }
    {
        // The size changed and the answer is No.
        SplitSetup s(numberedLines(8, h), 6);
        writeAll(s.input, numberedLines(9, h));
        EXPECT_EQ(s.run().end, SplitEnd::Refused);
        EXPECT_EQ(s.ui.boxTexts(), std::vector<std::string>{"文件被修改，继续输出？"});
        EXPECT_EQ(s.ui.lastStatus(), "文件大小不一致，请重新分析！");
        EXPECT_TRUE(s.outputs().empty());
    }
}

TEST(Split, BeyondSixteenBitListsAndHundredLinePreambles) {
    // 40,000 headings, one every two lines; row 35,000 excluded joins the chapter before.
    std::string in = "intro\r\n";
    for (int k = 1; k <= 40000; ++k)
        in += "CH" + std::to_string(k) + "\r\nbody\r\n";
    SplitSetup s(in, 1000);
    ASSERT_EQ(s.st.lngMatchCount, 40000);
    const pw::SplitResult r = s.run({35000});
    ASSERT_EQ(r.end, SplitEnd::Done);
    EXPECT_EQ(r.files, 41); // the preamble and 39,999 chapters in groups of 1,000
    EXPECT_EQ(s.joined(), in);
    // Chapter 35,000 (heading 35,000) now also holds heading 35,001's lines.
    const std::string f35 = s.file(35);
    EXPECT_NE(f35.find("CH35000\r\nbody\r\nCH35001\r\nbody\r\n"), std::string::npos);
    EXPECT_EQ(s.file(40).substr(0, 9), "CH39002\r\n");
    EXPECT_EQ(u8(s.ui.statuses.front()), "正在处理:小说(index)，完成:0%");
}
