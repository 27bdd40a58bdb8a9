// The option intake: fields into the working state, cleaning, defaults, the output folder,
// and what each refusal leaves behind.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "options/intake.h"
#include "platform/paths.h"
#include "support/corpus.h"

using namespace pw;

namespace {

// Answers the intake's questions from a script and records every box.
class ScriptedUi : public UiPort {
public:
    std::deque<MsgAnswer> answers;
    std::vector<std::pair<Text, MsgStyle>> shown;
    MsgAnswer messageBox(TextView text, MsgStyle style) override {
        shown.emplace_back(Text(text), style);
        if (answers.empty()) return style == MsgStyle::Offer ? MsgAnswer::No : MsgAnswer::Ok;
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void setStatus(TextView) override {}
    void setProgressTwips(float) override {}
    void pumpEvents() override {}
};

Text pathText(const std::filesystem::path& p) {
    return fromPath(p);
}

// A run of the intake over fields that pass every check unless a test changes one.
struct Intake {
    pwtest::ScratchDir dir;
    OptionFields fields;
    WorkingState state;
    ScriptedUi ui;
    FieldWriteBacks back;

    Intake() {
        fields.txtFile = u"/books/a.txt";
        fields.txtOut = pathText(dir.path());
        fields.txtFileOut = u"小说01";
        fields.txtFindStr = u"第(.){1,10}章";
        fields.txtNum = u"6";
        fields.chkDeleteSpc = 1;
        // Markers: a member still holding one was not reached.
        state.strInFile = state.strOutDir = state.strOutName = state.strFindStr = u"old";
        state.lngStartNum = state.lngNumWidth = state.lngChapsPerFile = -77;
    }
    bool run(std::int32_t reset = 1) {
        back = {};
        ui.shown.clear();
        return CheckOptions(fields, reset, state, ui, back);
    }
    Text onlyText() const { return ui.shown.size() == 1 ? ui.shown[0].first : u"<" + decimal(ui.shown.size()) + u">"; }
};

} // namespace

TEST(Intake, SplitsTheNameIntoBaseStartAndWidth) {
    struct Case {
        Text typed, cleaned, base;
        std::int32_t start, width;
    };
    const Case cases[] = {
        {u"小说01", u"小说01", u"小说", 1, 2},
        {u"小说", u"小说", u"小说", 1, 2},
        {u"第1部分", u"第1部分", u"第", 1, 3}, // the width counts everything from the first digit on
        {u"001", u"001", u"", 1, 3},
        {u"a*b?c01", u"abc01", u"abc", 1, 2},
        {u"  小说05  ", u"小说05", u"小说", 5, 2},
        {u"\u3000卷\u3000", u"卷", u"卷", 1, 2},
        {u"* ?", u" ", u" ", 1, 2}, // trimmed before cleaning: the inner blank survives
        {u"小说\uFF10\uFF11", u"小说\uFF10\uFF11", u"小说\uFF10\uFF11", 1, 2}, // full-width digits are no number
        {u"x2.5", u"x2.5", u"x", 2, 3},
        {u"x3.5", u"x3.5", u"x", 4, 3},
    };
    for (const Case& c : cases) {
        Intake in;
        in.fields.txtFileOut = c.typed;
        ASSERT_TRUE(in.run()) << toUtf8(c.typed);
        EXPECT_EQ(in.back.txtFileOut, c.cleaned) << toUtf8(c.typed);
        EXPECT_EQ(in.state.strOutName, c.base) << toUtf8(c.typed);
        EXPECT_EQ(in.state.lngStartNum, c.start) << toUtf8(c.typed);
        EXPECT_EQ(in.state.lngNumWidth, c.width) << toUtf8(c.typed);
    }
}

TEST(Intake, NameOfForbiddenCharactersOnlyIsRefused) {
    for (const Text name : {u"*?|", u"  \\/:\"<>|  ", u"", u"\u3000"}) {
        Intake in;
        in.fields.txtFileOut = name;
        EXPECT_FALSE(in.run());
        EXPECT_EQ(in.onlyText(), u"输出文件名不正确！");
        EXPECT_EQ(in.ui.shown[0].second, MsgStyle::Refusal);
        EXPECT_FALSE(in.back.txtFileOut); // nothing to write back yet
        EXPECT_EQ(in.state.strOutName, u"");
        EXPECT_EQ(in.state.lngStartNum, -77);
    }
}

TEST(Intake, ChapterCountBelowOneBecomesSix) {
    for (const Text typed : {u"0", u"-3", u"0.4", u"abc", u"", u"0.5"}) {
        Intake in;
        in.fields.txtNum = typed;
        ASSERT_TRUE(in.run());
        EXPECT_EQ(in.state.lngChapsPerFile, 6) << toUtf8(typed);
        EXPECT_EQ(in.back.txtNum, Text(u"6")) << toUtf8(typed);
    }
    // A usable count stays as typed in the field, whatever its form.
    const std::pair<Text, std::int32_t> kept[] = {{u"2.5", 2}, {u"3.5", 4}, {u" 7", 7}, {u"7 章", 7}, {u"1", 1}};
    for (const auto& [typed, value] : kept) {
        Intake in;
        in.fields.txtNum = typed;
        ASSERT_TRUE(in.run());
        EXPECT_EQ(in.state.lngChapsPerFile, value) << toUtf8(typed);
        EXPECT_FALSE(in.back.txtNum) << toUtf8(typed);
    }
}

TEST(Intake, BlankPatternBecomesTheDefault) {
    for (const Text typed : {u"", u"   ", u"\u3000 "}) {
        Intake in;
        in.fields.txtFindStr = typed;
        ASSERT_TRUE(in.run());
        EXPECT_EQ(in.state.strFindStr, u"第(.){1,10}章");
        EXPECT_EQ(in.back.txtFindStr, Text(u"第(.){1,10}章"));
    }
    Intake in;
    in.fields.txtFindStr = u"  ^卷.*\t ";
    ASSERT_TRUE(in.run());
    EXPECT_EQ(in.state.strFindStr, u"^卷.*\t"); // a tab is no space
    EXPECT_FALSE(in.back.txtFindStr);
}

TEST(Intake, RefusalsKeepWhatEarlierStepsStored) {
    Intake noFile;
    noFile.fields.txtFile = u" \u3000 ";
    EXPECT_FALSE(noFile.run());
    EXPECT_EQ(noFile.onlyText(), u"请重新选择文件！");
    EXPECT_EQ(noFile.state.strInFile, u"");
    EXPECT_EQ(noFile.state.strOutDir, u"old");

    Intake noDir;
    noDir.fields.txtFile = u"  /books/a.txt ";
    noDir.fields.txtOut = u"   ";
    EXPECT_FALSE(noDir.run());
    EXPECT_EQ(noDir.onlyText(), u"请选择输出目录！");
    EXPECT_EQ(noDir.ui.shown[0].second, MsgStyle::Refusal);
    EXPECT_EQ(noDir.state.strInFile, u"/books/a.txt");
    EXPECT_EQ(noDir.state.strOutDir, u"");
    EXPECT_EQ(noDir.state.strOutName, u"old");
    EXPECT_FALSE(noDir.back.txtFileWhite);

    // A refusal after the name was written back: the cleaned name stands, the count does not.
    Intake late;
    late.fields.txtFileOut = u"a?b01";
    late.fields.txtFindStr = u"";
    late.fields.txtNum = u"99999999999";
    EXPECT_FALSE(late.run());
    EXPECT_EQ(late.back.txtFileOut, Text(u"ab01"));
    EXPECT_EQ(late.back.txtFindStr, Text(u"第(.){1,10}章"));
    EXPECT_EQ(late.state.lngStartNum, 1);
    EXPECT_EQ(late.state.lngChapsPerFile, -77);
    EXPECT_FALSE(late.back.txtFileWhite);
}

TEST(Intake, MissingFolderIsOfferedAndCreatedOneLevel) {
    Intake no;
    const auto missing = no.dir / "新目录";
    no.fields.txtOut = u"  " + pathText(missing) + u"  ";
    EXPECT_FALSE(no.run());
    EXPECT_EQ(no.onlyText(), u"目录不存在，创建吗？");
    EXPECT_EQ(no.ui.shown[0].second, MsgStyle::Offer);
    EXPECT_EQ(no.state.strInFile, u"/books/a.txt");
    EXPECT_EQ(no.state.strOutDir, pathText(missing));
    EXPECT_EQ(no.state.strOutName, u"old");
    EXPECT_FALSE(std::filesystem::exists(missing));

    Intake yes;
    yes.fields.txtOut = pathText(yes.dir / "新目录") + Text(1, kSeparator);
    yes.ui.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(yes.run());
    EXPECT_TRUE(std::filesystem::is_directory(yes.dir / "新目录"));
    EXPECT_EQ(yes.state.strOutDir, yes.fields.txtOut); // kept as typed, separator included
    EXPECT_TRUE(yes.run());                            // now it exists: no question
    EXPECT_TRUE(yes.ui.shown.empty());
}

TEST(Intake, FolderThatCannotBeMadeIsRefusedWithTheReason) {
    Intake in;
    pwtest::writeAll(in.dir / "plain", "x");
    const Text under = pathText(in.dir / "plain" / "sub"); // its parent is a file
    const Text deep = pathText(in.dir / "a" / "b");        // its parent is missing
    for (const Text& target : {under, deep}) {
        in.fields.txtOut = target;
        in.ui.answers = {MsgAnswer::Yes};
        EXPECT_FALSE(in.run());
        ASSERT_EQ(in.ui.shown.size(), 2u);
        const Text& refusal = in.ui.shown[1].first;
        EXPECT_EQ(in.ui.shown[1].second, MsgStyle::Refusal);
        EXPECT_EQ(refusal.rfind(u"创建目录失败：" + target + u"（", 0), 0u) << toUtf8(refusal);
        EXPECT_GT(refusal.size(), (u"创建目录失败：" + target + u"（）").size()); // a reason is given
        EXPECT_EQ(in.state.strOutName, u"old");
    }
    EXPECT_FALSE(std::filesystem::exists(in.dir / "a"));
}

TEST(Intake, FileInPlaceOfTheFolderIsRefused) {
    Intake in;
    pwtest::writeAll(in.dir / "out.txt", "x");
    for (const Text& typed : {pathText(in.dir / "out.txt"), pathText(in.dir / "out.txt") + Text(1, kSeparator)}) {
        in.fields.txtOut = typed;
        EXPECT_FALSE(in.run());
        EXPECT_EQ(in.onlyText(), u"输出路径是一个文件，不是目录：" + typed); // no offer to create
        EXPECT_EQ(in.ui.shown[0].second, MsgStyle::Refusal);
    }
}

TEST(Intake, NumbersBeyond32BitsAreRefused) {
    Intake big;
    big.fields.txtNum = u"2147483647";
    ASSERT_TRUE(big.run());
    EXPECT_EQ(big.state.lngChapsPerFile, 2147483647);
    for (const Text typed : {u"2147483648", u"-2147483649", u"99999999999999999999"}) {
        big.fields.txtNum = typed;
        EXPECT_FALSE(big.run());
        EXPECT_EQ(big.onlyText(), u"每个文件的章数超出范围（1 到 2147483647）！");
        EXPECT_EQ(big.state.lngChapsPerFile, 2147483647); // unchanged by the refused run
    }

    Intake name;
    name.fields.txtFileOut = u"小说2147483647";
    ASSERT_TRUE(name.run());
    EXPECT_EQ(name.state.lngStartNum, 2147483647);
    name.fields.txtFileOut = u"小说2147483648";
    EXPECT_FALSE(name.run());
    EXPECT_EQ(name.onlyText(), u"输出文件名中的编号太大（最大 2147483647）！");
    EXPECT_EQ(name.back.txtFileOut, Text(u"小说2147483648"));
    EXPECT_EQ(name.state.strOutName, u"小说2147483648"); // the split never happened
    EXPECT_EQ(name.state.lngStartNum, 2147483647);
}

TEST(Intake, InputFileEndings) {
    for (const Text p : {u"/小说/全集.txt", u"/小说/setup.ini", u"/小说/x.inf", u".txt"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Accept) << toUtf8(p);
    for (const Text p : {u"/小说/全集.TXT", u"/小说/a.doc", u"/小说/readme", u"/a.txt ", u"a.tx"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Refuse) << toUtf8(p);
    for (const Text p : {u"", u"txt", u"a.t"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Ignore) << toUtf8(p);
}
