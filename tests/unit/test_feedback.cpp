// The fields' own judgement of their text, and the caption of a click in the heading list.
#include <gtest/gtest.h>

#include "options/feedback.h"

using namespace pw;

TEST(Feedback, ChapterCountIsWhiteOnlyForPlainDecimalInRange) {
    for (const Text t : {u"6", u"1", u"10", u"2147483647", u"1000000000"})
        EXPECT_FALSE(txtNumWarns(t)) << toUtf8(t);
    for (const Text t : {u"", u"0", u"00", u"06", u" 6", u"6 ", u"+6", u"-6", u"6.0", u"6.", u"6e1", u"abc", u"\uFF16",
                         u"\u30006", u"2147483648", u"9999999999", u"10000000000", u"02147483647"})
        EXPECT_TRUE(txtNumWarns(t)) << toUtf8(t);
    // Any length of digits is judged without trouble, and is out of range.
    EXPECT_TRUE(txtNumWarns(Text(400, u'9')));
    EXPECT_TRUE(txtNumWarns(u"1" + Text(399, u'0')));
}

TEST(Feedback, OutputNameWarnsWhenEmptyOrForbidden) {
    for (const Text t : {u"小说01", u"小说(1)", u" ", u"a.b"})
        EXPECT_FALSE(txtFileOutWarns(t)) << toUtf8(t);
    for (const Text t : {u"", u"a:b", u"x?", u"\\小说", u"a|b", u"*", u"/", u"\"", u"<", u">"})
        EXPECT_TRUE(txtFileOutWarns(t)) << toUtf8(t);
}

TEST(Feedback, InputFileWarnsOnlyAgainstAnAnalysedFile) {
    for (const Text t : {u"", u"/nowhere/x.txt", u"anything"})
        EXPECT_FALSE(txtFileWarns(t, u""));
    const Text analysed = u"D:\\Books\\a.txt";
    EXPECT_FALSE(txtFileWarns(analysed, analysed));
    EXPECT_TRUE(txtFileWarns(u"D:\\Books\\b.txt", analysed));
    EXPECT_TRUE(txtFileWarns(u"D:\\Books\\A.txt", analysed));  // case counts
    EXPECT_TRUE(txtFileWarns(u" D:\\Books\\a.txt", analysed)); // nothing is trimmed
    EXPECT_TRUE(txtFileWarns(u"", analysed));
}

TEST(Feedback, FolderAndPatternWarnOnlyWhenEmpty) {
    EXPECT_TRUE(txtOutWarns(u""));
    EXPECT_FALSE(txtOutWarns(u"  "));
    EXPECT_TRUE(txtFindStrWarns(u""));
    EXPECT_FALSE(txtFindStrWarns(u"   "));
}

TEST(Feedback, MemoStatusCountsRemainingHeadings) {
    EXPECT_EQ(memoStatusText(1536000, 42, 2), u"文件大小：1500KB，当前 40/42 行符合条件");
    EXPECT_EQ(memoStatusText(1023, 42, 0), u"文件大小：0KB，当前 42/42 行符合条件");
    EXPECT_EQ(memoStatusText(1024, 3, 3), u"文件大小：1KB，当前 0/3 行符合条件");
    EXPECT_EQ(memoStatusText(5'000'000'000, 100000, 1), u"文件大小：4882812KB，当前 99999/100000 行符合条件");
}
