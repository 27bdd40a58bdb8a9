// The fields' own judgement of their text, and the caption of a click in the heading list.
#include <gtest/gtest.h>

#include "options/feedback.h"

using namespace pw;

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
