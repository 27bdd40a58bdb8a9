// The numeric value of a text and trimming, as every field and setting reads them.
#include <gtest/gtest.h>

#include "platform/numeric.h"
#include "platform/text.h"

using namespace pw;

TEST(NumericValue, ReadsTheLeadingDecimalNumber) {
    EXPECT_EQ(numericValue32(u"6"), 6);
    EXPECT_EQ(numericValue32(u"7 chapters"), 7);
    EXPECT_EQ(numericValue32(u"-3"), -3);
    EXPECT_EQ(numericValue32(u"+12"), 12);
    EXPECT_EQ(numericValue32(u"0.4"), 0);
    EXPECT_EQ(numericValue32(u"01部分"), 1);
    EXPECT_EQ(numericValue32(u"  42"), 42);
}

TEST(NumericValue, NoNumberGivesZero) {
    EXPECT_EQ(numericValue32(u""), 0);
    EXPECT_EQ(numericValue32(u"abc"), 0);
    EXPECT_EQ(numericValue32(u"-"), 0);
    EXPECT_EQ(numericValue32(u"."), 0);
    // Full-width digits are not digits.
    EXPECT_EQ(numericValue32(u"６"), 0);
}

TEST(NumericValue, RoundsHalvesToEven) {
    EXPECT_EQ(numericValue32(u"2.5"), 2);
    EXPECT_EQ(numericValue32(u"3.5"), 4);
    EXPECT_EQ(numericValue32(u"-2.5"), -2);
    EXPECT_EQ(numericValue32(u"2.51"), 3);
    EXPECT_EQ(numericValue32(u"6.0"), 6);
}

TEST(NumericValue, OutOfRangeIsUnusableNotWrapped) {
    EXPECT_EQ(numericValue32(u"2147483647"), 2147483647);
    EXPECT_EQ(numericValue32(u"-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(numericValue32(u"2147483648").has_value());
    EXPECT_FALSE(numericValue32(u"99999999999999999999999999").has_value());
    EXPECT_FALSE(numericValue32(std::u16string(400, u'9')).has_value());
}

TEST(Trim, RemovesSpacesAndIdeographicSpacesOnly) {
    EXPECT_EQ(trimSpaces(u"  a b  "), u"a b");
    EXPECT_EQ(trimSpaces(u"\u3000第一章\u3000 "), u"第一章");
    EXPECT_EQ(trimSpaces(u"\tx\t"), u"\tx\t");
    EXPECT_EQ(trimSpaces(u"   "), u"");
    EXPECT_EQ(trimSpaces(u""), u"");
}

TEST(Text, Utf8RoundTrip) {
    const std::u16string s = u"书页匠 Pagewright 𠀀";
    EXPECT_EQ(fromUtf8(toUtf8(s)), s);
    EXPECT_EQ(decimal(-12), u"-12");
}
