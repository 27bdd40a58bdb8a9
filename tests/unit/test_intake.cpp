// The option intake: fields into the working state, cleaning, defaults, the output folder,
// and what each refusal leaves behind. How a number is read is the numeric tests' matter.
#include <gtest/gtest.h>

#include <cerrno>

#include "options/intake.h"
#include "platform/paths.h"
#include "support/corpus.h"
#include "support/scripted_ui.h"

using namespace pw;

namespace {

// A run of the intake over fields that pass every check unless a test changes one.
struct Intake {
    pwtest::ScratchDir dir;
    OptionFields fields;
    WorkingState state;
    pwtest::ScriptedUi ui;
    FieldWriteBacks back;

    Intake() {
        fields.txtFile = u"/books/a.txt";
        fields.txtOut = fromPath(dir.path());
        fields.txtFileOut = u"小说01";
        fields.txtFindStr = u"第(.){1,10}章";
        fields.txtNum = u"6";
        // Markers: a member still holding one was not reached.
        state.strInFile = state.strOutDir = state.strOutName = state.strFindStr = u"old";
        state.lngStartNum = state.lngNumWidth = state.lngChapsPerFile = -77;
    }
    bool run(std::int32_t reset = 1) {
        back = {};
        ui.boxes.clear();
        return CheckOptions(fields, reset, state, ui, back);
    }
    // The one box shown, which must be a refusal unless `style` says otherwise.
    Text onlyBox(MsgStyle style = MsgStyle::Refusal) const {
        if (ui.boxes.size() != 1) return u"<" + decimal(static_cast<std::int64_t>(ui.boxes.size())) + u" boxes>";
        return ui.boxes[0].style == style ? ui.boxes[0].text : u"<wrong style>";
    }
};

} // namespace

TEST(Intake, SplitsTheNameIntoBaseStartAndWidth) {
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
        EXPECT_EQ(std::tuple(in.back.txtFileOut.value_or(u"-"), in.state.strOutName, in.state.lngStartNum,
                             in.state.lngNumWidth),
                  std::tuple(c.cleaned, c.base, c.start, c.width))
            << toUtf8(c.typed);
    }
}

TEST(Intake, NameOfForbiddenCharactersOnlyIsRefused) {
    Intake in;
    in.fields.txtFileOut = u"  *\\/:?\"<>|  ";
    EXPECT_FALSE(in.run());
    EXPECT_EQ(in.onlyBox(), u"输出文件名不正确！");
    EXPECT_FALSE(in.back.txtFileOut); // nothing to write back yet
    EXPECT_EQ(in.state.strOutName, u"");
    EXPECT_EQ(in.state.lngStartNum, -77);
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

TEST(Intake, RefusalsKeepWhatEarlierStepsStored) {
    Intake noFile;
    noFile.fields.txtFile = u" \u3000 ";
    EXPECT_FALSE(noFile.run());
    EXPECT_EQ(noFile.onlyBox(), u"请重新选择文件！");
    EXPECT_EQ(noFile.state.strInFile, u"");
    EXPECT_EQ(noFile.state.strOutDir, u"old");

    Intake noDir;
    noDir.fields.txtFile = u"  /books/a.txt ";
    noDir.fields.txtOut = u"   ";
    EXPECT_FALSE(noDir.run());
    EXPECT_EQ(noDir.onlyBox(), u"请选择输出目录！");
    EXPECT_EQ(noDir.state.strInFile, u"/books/a.txt");
    EXPECT_EQ(noDir.state.strOutDir, u"");
    EXPECT_EQ(noDir.state.strOutName, u"old");

    // A refusal after the name was written back: the cleaned name stands, the count does not.
    Intake late;
    late.fields.txtFileOut = u"a?b01";
    late.fields.txtFindStr = u"";
    late.fields.txtNum = u"2147483648";
    EXPECT_FALSE(late.run());
    EXPECT_EQ(late.onlyBox(), u"每个文件的章数超出范围（1 到 2147483647）！");
    EXPECT_EQ(late.back.txtFileOut, Text(u"ab01"));
    EXPECT_EQ(late.back.txtFindStr, Text(u"第(.){1,10}章"));
    EXPECT_EQ(late.state.lngStartNum, 1);
    EXPECT_EQ(late.state.lngChapsPerFile, -77);
    EXPECT_FALSE(late.back.txtFileWhite);

    // A start number beyond 32 bits: the name is written back, but never split.
    Intake name;
    name.fields.txtFileOut = u"小说2147483648";
    EXPECT_FALSE(name.run());
    EXPECT_EQ(name.onlyBox(), u"输出文件名中的编号太大（最大 2147483647）！");
    EXPECT_EQ(name.back.txtFileOut, Text(u"小说2147483648"));
    EXPECT_EQ(name.state.strOutName, u"小说2147483648");
    EXPECT_EQ(name.state.lngStartNum, -77);
}

TEST(Intake, MissingFolderIsOfferedAndCreatedOneLevelOnly) {
    Intake no;
    const auto missing = no.dir / "新目录";
    no.fields.txtOut = u"  " + fromPath(missing) + u"  ";
    EXPECT_FALSE(no.run());
    EXPECT_EQ(no.onlyBox(MsgStyle::Offer), u"目录不存在，创建吗？");
    EXPECT_EQ(no.state.strOutDir, fromPath(missing));
    EXPECT_EQ(no.state.strOutName, u"old");
    EXPECT_FALSE(std::filesystem::exists(missing));

    Intake yes;
    yes.fields.txtOut = fromPath(yes.dir / "新目录") + Text(1, kSeparator);
    yes.ui.answer({MsgAnswer::Yes});
    EXPECT_TRUE(yes.run());
    EXPECT_TRUE(std::filesystem::is_directory(yes.dir / "新目录"));
    EXPECT_EQ(yes.state.strOutDir, yes.fields.txtOut); // kept as typed, separator included
    EXPECT_TRUE(yes.run());                            // now it exists: no question
    EXPECT_TRUE(yes.ui.boxes.empty());

    // Two levels missing: the offer is accepted, the creation fails with the system's reason.
    Intake deep;
    const Text target = fromPath(deep.dir / "a" / "b");
    deep.fields.txtOut = target;
    deep.ui.answer({MsgAnswer::Yes});
    EXPECT_FALSE(deep.run());
    ASSERT_EQ(deep.ui.boxes.size(), 2u);
    const Text& refusal = deep.ui.boxes[1].text;
    EXPECT_EQ(deep.ui.boxes[1].style, MsgStyle::Refusal);
    EXPECT_EQ(refusal, u"创建目录失败：" + target + u"（" + reasonFromErrno(ENOENT) + u"）");
    EXPECT_EQ(deep.state.strOutName, u"old");
    EXPECT_FALSE(std::filesystem::exists(deep.dir / "a"));
}

TEST(Intake, FileInPlaceOfTheFolderIsRefusedWithoutAnOffer) {
    Intake in;
    pwtest::writeAll(in.dir / "out.txt", "x");
    in.fields.txtOut = fromPath(in.dir / "out.txt") + Text(1, kSeparator); // the separator does not hide it
    EXPECT_FALSE(in.run());
    EXPECT_EQ(in.onlyBox(), u"输出路径是一个文件，不是目录：" + in.fields.txtOut);
}

TEST(Intake, InputFileEndings) {
    for (const Text p : {u"/小说/全集.txt", u"/小说/setup.ini", u"/小说/x.inf", u".txt"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Accept) << toUtf8(p);
    for (const Text p : {u"/小说/全集.TXT", u"/小说/a.doc", u"/a.txt ", u"a.tx"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Refuse) << toUtf8(p);
    for (const Text p : {u"", u"txt"})
        EXPECT_EQ(judgeInputFile(p), InputFileVerdict::Ignore) << toUtf8(p);
}
