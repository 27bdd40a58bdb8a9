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
    EXPECT_EQ(s.ui.statuses, (std::vector<pw::Text>{u"正在处理:小说(index)，完成:0%", u"正在处理:小说01，完成:33%",
                                                    u"正在处理:小说02，完成:82%", u"处理完毕，一共 3 个文件！"}));
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
    EXPECT_EQ(s.ui.statuses.front(), u"正在处理:小说01，完成:4%");

    // The first heading excluded: its chapter joins the preamble.
    SplitSetup first(lines(1, 20, h), 2);
    ASSERT_EQ(first.run({0}).end, SplitEnd::Done);
    EXPECT_EQ(first.file(0), lines(1, 4, h));
    EXPECT_EQ(first.file(1), lines(5, 12, h));

    // Every entry excluded: refused, and an existing output file is left alone.
    SplitSetup all(lines(1, 20, h), 2);
    writeAll(all.pathOf(1), "old");
    EXPECT_EQ(all.run({4, 3, 2, 1, 0}).end, SplitEnd::Refused);
    EXPECT_EQ(boxesAndStatus(all.ui), (std::vector<std::string>{"排除全部条件，无法分割！", "请重新选择条件！"}));
    EXPECT_EQ(all.ui.boxes[0].style, MsgStyle::Refusal);
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
