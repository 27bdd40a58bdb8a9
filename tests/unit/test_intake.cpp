// The option intake: fields into the working state, cleaning, defaults, the output folder,
// and what each refusal leaves behind; and the fields' own judgement of their text. How a
// number is read is the numeric tests' matter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "options/feedback.h"
#include "options/intake.h"
#include "platform/paths.h"
#include "support/corpus.h"
#include "support/scripted_ui.h"

using namespace pw;

namespace {

// A run of the intake over fields that pass every check unless a test changes one.
struct Intake {
    pwtest::ScratchDir dir;
    OptionFields fields{u" /books/a.txt\u3000", u" " + fromPath(dir.path()) + u" ", u"小说01", u"第(.){1,10}章", u"6"};
    WorkingState state;
    pwtest::ScriptedUi ui;
    FieldWriteBacks back;

    Intake() {
        // Markers: a member still holding one was not reached.
        state.strInFile = state.strOutDir = state.strOutName = state.strFindStr = u"old";
        state.lngStartNum = state.lngNumWidth = state.lngChapsPerFile = -77;
    }
    bool run(std::int32_t reset = 1) {
        back = {};
        ui.boxes.clear();
        return CheckOptions(fields, reset, state, ui, back);
    }
};

} // namespace

TEST(Intake, TrimsAndSplitsTheNameIntoBaseStartAndWidth) {
    struct Case {
        Text typed, cleaned, base;
        std::int32_t start, width;
    };
    const Case cases[] = {
        {u"小说", u"小说", u"小说", 1, 2},
        {u"第1部分", u"第1部分", u"第", 1, 3}, // the width counts everything from the first digit on
        {u"001", u"001", u"", 1, 3},
        {u" \u3000a*b?c05  ", u"abc05", u"abc", 5, 2},
        {u"* ?", u" ", u" ", 1, 2}, // trimmed before cleaning: the inner blank survives
        {u"小说\uFF10\uFF11", u"小说\uFF10\uFF11", u"小说\uFF10\uFF11", 1, 2}, // full-width digits are no number
    };
    for (const Case& c : cases) {
        Intake in;
        in.fields.txtFileOut = c.typed;
        ASSERT_TRUE(in.run()) << toUtf8(c.typed);
        EXPECT_TRUE(in.ui.boxes.empty());
        EXPECT_EQ(std::tuple(in.back.txtFileOut.value_or(u"-"), in.state.strOutName, in.state.lngStartNum,
                             in.state.lngNumWidth),
                  std::tuple(c.cleaned, c.base, c.start, c.width))
            << toUtf8(c.typed);
        EXPECT_EQ(in.state.strInFile, u"/books/a.txt");
        EXPECT_EQ(in.state.strOutDir, fromPath(in.dir.path()));
    }
}

TEST(Intake, BlankPatternAndCountBelowOneTakeTheirDefaults) {
    Intake in;
    in.fields.txtFindStr = u"\u3000 ";
    in.fields.txtNum = u"0";
    ASSERT_TRUE(in.run());
    EXPECT_EQ(in.state.strFindStr, u"第(.){1,10}章");
    EXPECT_EQ(in.back.txtFindStr, Text(u"第(.){1,10}章"));
    EXPECT_EQ(in.state.lngChapsPerFile, 6);
    EXPECT_EQ(in.back.txtNum, Text(u"6"));
    // Usable texts are taken as typed, trimmed of spaces only, and not written back.
    in.fields.txtFindStr = u"  ^卷.*\t ";
    in.fields.txtNum = u"1 章";
    ASSERT_TRUE(in.run());
    EXPECT_EQ(in.state.strFindStr, u"^卷.*\t");
    EXPECT_EQ(in.state.lngChapsPerFile, 1);
    EXPECT_FALSE(in.back.txtFindStr);
    EXPECT_FALSE(in.back.txtNum);
}

// An accepted offer makes the folder as mkdir -p does, the missing ones above it too.
TEST(Intake, AcceptedOfferMakesTheMissingFoldersAboveTheOutputFolder) {
    Intake in;
    const auto deep = in.dir.path() / "新" / "a" / "b";
    in.fields.txtOut = fromPath(deep);
    in.ui.answer({MsgAnswer::Yes});
    EXPECT_TRUE(in.run());
    EXPECT_TRUE(std::filesystem::is_directory(deep));
}

TEST(Intake, EachRefusalLeavesTheEarlierMembersStoredAndTheLaterOnesAlone) {
    pwtest::ScratchDir scratch;
    pwtest::writeAll(scratch / "out.txt", "x");
    const Text offer = u"目录不存在，创建吗？", newDir = fromPath(scratch / "新目录");
    const Text underFile = fromPath(scratch / "out.txt" / "b"),
               file = fromPath(scratch / "out.txt") + Text(1, kSeparator);
    // The field changed, its text, the last box, how many members (in the intake's order)
    // are stored by then.
    struct Case {
        Text OptionFields::*field;
        Text typed, box;
        int stored;
        bool yes = false;      // the offer to create the folder is accepted
        bool nameBack = false; // the cleaned name was written back before the refusal
    };
    const Case cases[] = {
        {&OptionFields::txtFile, u" \u3000 ", u"请重新选择文件！", 1},
        {&OptionFields::txtOut, u"   ", u"请选择输出目录！", 2},
        {&OptionFields::txtOut, newDir, offer, 2},
        {&OptionFields::txtOut, underFile, u"创建目录失败：" + underFile + u"（" + reasonFromErrno(ENOTDIR) + u"）", 2,
         true},
        {&OptionFields::txtOut, file, u"输出路径是一个文件，不是目录：" + file, 2}, // no offer for a file
        {&OptionFields::txtFileOut, u"  *\\/:?\"<>|  ", u"输出文件名不正确！", 3},
        {&OptionFields::txtFileOut, u"小说2147483648", u"输出文件名中的编号太大（最大 2147483647）！", 3, false, true},
        {&OptionFields::txtNum, u"2147483648", u"每个文件的章数超出范围（1 到 2147483647）！", 5, false, true},
    };
    for (const Case& c : cases) {
        Intake in;
        in.fields.txtFindStr = u""; // no error, but a write-back once step 7 is reached
        in.fields.*c.field = c.typed;
        if (c.yes) in.ui.answer({MsgAnswer::Yes});
        EXPECT_FALSE(in.run()) << toUtf8(c.box);
        ASSERT_EQ(in.ui.boxes.size(), c.yes ? 2u : 1u) << toUtf8(c.box);
        EXPECT_EQ(in.ui.boxes.back().text, c.box);
        EXPECT_EQ(in.ui.boxes.back().style, c.box == offer ? MsgStyle::Offer : MsgStyle::Refusal);
        const WorkingState& s = in.state;
        std::vector<bool> want(6, false);
        std::fill_n(want.begin(), c.stored, true);
        EXPECT_EQ((std::vector<bool>{s.strInFile != u"old", s.strOutDir != u"old", s.strOutName != u"old",
                                     s.lngStartNum != -77, s.strFindStr != u"old", s.lngChapsPerFile != -77}),
                  want)
            << toUtf8(c.box);
        EXPECT_FALSE(std::filesystem::exists(scratch / "新目录") || std::filesystem::exists(scratch / "a"));
        EXPECT_EQ(in.back.txtFileOut.has_value(), c.nameBack);
        EXPECT_EQ(in.back.txtFindStr.has_value(), c.stored >= 5);
        EXPECT_FALSE(in.back.txtFileWhite);
    }
}

TEST(Intake, MissingFolderIsCreatedWhenTheUserAgrees) {
    Intake in;
    in.fields.txtOut = fromPath(in.dir / "新目录") + Text(1, kSeparator);
    in.ui.answer({MsgAnswer::Yes});
    EXPECT_TRUE(in.run());
    EXPECT_EQ(in.ui.boxes.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(in.dir / "新目录"));
    EXPECT_EQ(in.state.strOutDir, in.fields.txtOut); // kept as typed, separator included
    EXPECT_TRUE(in.run());                           // now it exists: no question
    EXPECT_TRUE(in.ui.boxes.empty());
}

TEST(Intake, InputFileEndings) {
    for (const Text p : {u"/小说/全集.txt", u"/小说/setup.ini", u"/小说/x.inf", u".txt"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Accept) << toUtf8(p);
    for (const Text p : {u"/小说/全集.TXT", u"/小说/a.doc", u"/a.txt ", u"a.tx"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Refuse) << toUtf8(p);
    for (const Text p : {u"", u"txt"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Ignore) << toUtf8(p);
}

TEST(Feedback, ChapterCountIsWhiteOnlyForPlainDecimalInRange) {
    for (const Text t : {u"1", u"10", u"2147483647"})
        EXPECT_FALSE(txtNumWarns(t)) << toUtf8(t);
    for (const Text t : {u"", u"0", u"06", u" 6", u"6 ", u"+6", u"-6", u"6.0", u"\uFF16", u"2147483648", u"9999999999",
                         u"10000000000", u"02147483647"})
        EXPECT_TRUE(txtNumWarns(t)) << toUtf8(t);
    EXPECT_TRUE(txtNumWarns(Text(400, u'9'))); // any length is judged, without overflow
}

TEST(Feedback, TextFieldsWarnWhenEmptyForbiddenOrNotTheAnalysedFile) {
    for (const Text t : {u"小说01", u" ", u"a.b"})
        EXPECT_FALSE(txtFileOutWarns(t)) << toUtf8(t);
    for (const Text t : {u"", u"a:b", u"x?", u"\\", u"|", u"*", u"/", u"\"", u"<", u">"})
        EXPECT_TRUE(txtFileOutWarns(t)) << toUtf8(t);

    EXPECT_FALSE(txtFileWarns(u"anything", u"")); // before any scan there is nothing to compare with
    const Text analysed = u"D:\\Books\\a.txt";
    EXPECT_FALSE(txtFileWarns(analysed, analysed));
    EXPECT_TRUE(txtFileWarns(u"D:\\Books\\A.txt", analysed));  // case counts
    EXPECT_TRUE(txtFileWarns(u" D:\\Books\\a.txt", analysed)); // nothing is trimmed

    EXPECT_TRUE(txtOutWarns(u""));
    EXPECT_FALSE(txtOutWarns(u"  "));
    EXPECT_TRUE(txtFindStrWarns(u""));
    EXPECT_FALSE(txtFindStrWarns(u"  "));
}

TEST(Feedback, MemoStatusCountsRemainingHeadings) {
    EXPECT_EQ(memoStatusText(2047, 42, 2), u"文件大小：1KB，当前 40/42 行符合条件");
    EXPECT_EQ(memoStatusText(5'000'000'000, 100000, 1), u"文件大小：4882812KB，当前 99999/100000 行符合条件");
}
