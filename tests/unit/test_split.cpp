// The split writer's chapters, groups, file names, questions and texts.
#include <gtest/gtest.h>

#include "split_test_util.h"

using namespace pwtest;
using pw::MsgAnswer;
using pw::MsgStyle;
using pw::SplitEnd;

namespace {

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
    std::vector<std::string> shown;
    for (const auto& t : s.ui.statuses)
        shown.push_back(u8(t));
    EXPECT_EQ(shown, (std::vector<std::string>{"正在处理:小说(index)，完成:0%", "正在处理:小说01，完成:33%",
                                               "正在处理:小说02，完成:82%", "处理完毕，一共 3 个文件！"}));
    EXPECT_EQ(s.ui.progress,
              (std::vector<float>{0.0f, static_cast<float>(33 * 48.9), static_cast<float>(82 * 48.9), 15.0f}));
    EXPECT_TRUE(s.ui.boxes.empty());

    // One chapter to a file, a count that divides the headings, more than there are.
    for (const auto& [n, files, last] : {std::tuple{1, 9, lines(110, 120, h)}, std::tuple{4, 3, lines(80, 120, h)},
                                         std::tuple{50, 2, lines(40, 120, h)}}) {
        SplitSetup g(lines(1, 120, h), n);
        ASSERT_EQ(g.run().end, SplitEnd::Done);
        EXPECT_EQ(g.outputs().size(), static_cast<std::size_t>(files)) << n;
        EXPECT_EQ(g.file(files - 1), last) << n;
        EXPECT_EQ(g.ui.lastStatus(), "处理完毕，一共 " + std::to_string(files) + " 个文件！");
    }
}

TEST(Split, HeadingOnLineOneAndExcludedHeadings) {
    const auto h = {1, 5, 9, 13, 17};
    // First heading on line 1: no preamble and no "(index)" file.
    SplitSetup s(lines(1, 20, h), 2);
    ASSERT_EQ(s.run().end, SplitEnd::Done);
    EXPECT_EQ(s.outputs(),
              (std::map<std::int64_t, std::string>{{1, lines(1, 8, h)}, {2, lines(9, 16, h)}, {3, lines(17, 20, h)}}));
    EXPECT_EQ(u8(s.ui.statuses.front()), "正在处理:小说01，完成:4%");

    // The first heading excluded: its chapter joins the preamble.
    SplitSetup first(lines(1, 20, h), 2);
    ASSERT_EQ(first.run({0}).end, SplitEnd::Done);
    EXPECT_EQ(first.file(0), lines(1, 4, h));
    EXPECT_EQ(first.file(1), lines(5, 12, h));

    // Every entry excluded: refused, and an existing output file is left alone.
    SplitSetup all(lines(1, 20, h), 2);
    writeAll(all.pathOf(1), "old");
    EXPECT_EQ(all.run({4, 3, 2, 1, 0}).end, SplitEnd::Refused);
    EXPECT_EQ(all.ui.boxTexts(), std::vector<std::string>{"排除全部条件，无法分割！"});
    EXPECT_EQ(all.ui.boxes[0].style, MsgStyle::Refusal);
    EXPECT_EQ(all.ui.lastStatus(), "请重新选择条件！");
    EXPECT_EQ(all.outputs(), (std::map<std::int64_t, std::string>{{1, "old"}}));
}

TEST(Split, ExistingFilesAreDeletedOrAppendedToAsAnswered) {
    const auto h = {3, 6};
    SplitSetup s(lines(1, 8, h), 1);
    writeAll(s.pathOf(0), "old preamble\r\n");
    writeAll(s.pathOf(2), "old two\r\n");
    s.ui.answer({MsgAnswer::No, MsgAnswer::Yes});
    ASSERT_EQ(s.run().end, SplitEnd::Done);
    EXPECT_EQ(s.file(0), "old preamble\r\n" + lines(1, 2, h));
    EXPECT_EQ(s.file(2), lines(6, 8, h));
    ASSERT_EQ(s.ui.boxes.size(), 2u);
    EXPECT_EQ(s.ui.boxes[0].text, pw::fromPath(s.pathOf(0)) + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[1].text, pw::fromPath(s.pathOf(2)) + u"已存在，删除？");
    EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Warning);
    EXPECT_EQ(s.ui.lastStatus(), "处理完毕，一共 3 个文件！"); // appended-to files count
}

TEST(Split, QuestionsAndRefusalsBeforeAnyFile) {
    const auto h = {3, 6};
    pw::WorkingState fresh;
    ScriptedUi ui;
    EXPECT_FALSE(pw::precheckSplit(fresh, 0, ui));
    EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"还未分析，请先分析文件！"});
    EXPECT_EQ(ui.lastStatus(), "请先“分析”文件...");

    SplitSetup none(lines(1, 8, {}), 6);
    EXPECT_FALSE(pw::precheckSplit(none.st, 0, none.ui));
    EXPECT_EQ(none.ui.boxTexts(), std::vector<std::string>{"无符合条件的行，无法分割！"});
    EXPECT_EQ(none.ui.lastStatus(), "请重新输入条件分析！");

    // The field names another file: No stops; Yes writes from the analysed one.
    SplitSetup other(lines(1, 8, h), 6);
    EXPECT_TRUE(pw::precheckSplit(other.st, 2, other.ui));
    other.st.strInFile = pw::fromPath(other.dir / "other.txt");
    EXPECT_EQ(other.run().end, SplitEnd::Refused);
    EXPECT_EQ(other.ui.boxTexts(), std::vector<std::string>{"分析文件不是当前的文件，继续？"});
    EXPECT_EQ(other.ui.boxes[0].style, MsgStyle::Warning);
    EXPECT_EQ(other.ui.lastStatus(), "重新分析此文件！");
    EXPECT_TRUE(other.outputs().empty());
    other.ui.answer({MsgAnswer::Yes});
    ASSERT_EQ(other.run().end, SplitEnd::Done);
    EXPECT_EQ(other.file(1), lines(3, 8, h));

    SplitSetup gone(lines(1, 8, h), 6);
    std::filesystem::remove(gone.input);
    EXPECT_EQ(gone.run().end, SplitEnd::Refused);
    EXPECT_EQ(gone.ui.boxTexts(), std::vector<std::string>{"输入文件不存在！"});
    EXPECT_EQ(gone.ui.lastStatus(), "文件不存在，无法输出！");

    // The size changed and the answer is No.
    SplitSetup grew(lines(1, 8, h), 6);
    writeAll(grew.input, lines(1, 9, h));
    EXPECT_EQ(grew.run().end, SplitEnd::Refused);
    EXPECT_EQ(grew.ui.boxTexts(), std::vector<std::string>{"文件被修改，继续输出？"});
    EXPECT_EQ(grew.ui.lastStatus(), "文件大小不一致，请重新分析！");
    EXPECT_TRUE(grew.outputs().empty());
}

TEST(Split, BeyondSixteenBitListsAndAMiddleHeadingExcludedTwice) {
    // 40,000 headings, one every two lines; row 34,999 excluded (twice) joins the chapter before.
    std::string in = "intro\r\n";
    for (int k = 1; k <= 40000; ++k)
        in += "CH" + std::to_string(k) + "\r\nbody\r\n";
    SplitSetup s(in, 1000);
    ASSERT_EQ(s.st.lngMatchCount, 40000);
    const pw::SplitResult r = s.run({34999, 34999});
    ASSERT_EQ(r.end, SplitEnd::Done);
    EXPECT_EQ(r.files, 41); // the preamble and 39,999 chapters in groups of 1,000
    EXPECT_EQ(s.st.lngKeptCount, 39999);
    EXPECT_EQ(s.joined(), in);
    EXPECT_NE(s.file(35).find("CH34999\r\nbody\r\nCH35000\r\nbody\r\nCH35001\r\n"), std::string::npos);
    EXPECT_EQ(s.file(40).substr(0, 9), "CH39002\r\n");
}
