// The numeric value of a text, as every field and setting reads it (the intake and the
// settings tests rely on these rules and do not repeat them).
#include <gtest/gtest.h>

#include "platform/numeric.h"
#include "platform/text.h"

using namespace pw;

TEST(NumericValue, LeadingDecimalRoundedHalfToEvenWithin32Bits) {
    for (const char16_t* t : {u"", u"abc", u"-", u".", u"\uFF16"}) // no number
        EXPECT_EQ(numericValue32(t), 0) << toUtf8(t);
    EXPECT_EQ(numericValue32(u" \t\u3000+12 chapters"), 12); // blanks skipped, text after ignored
    EXPECT_EQ(numericValue32(u"-3"), -3);
    EXPECT_EQ(numericValue32(u"01部分"), 1);
    EXPECT_EQ(numericValue32(u"1e3"), 1); // no exponent
    EXPECT_EQ(numericValue32(u"2.5"), 2);
    EXPECT_EQ(numericValue32(u"3.5"), 4);
    EXPECT_EQ(numericValue32(u"-2.5"), -2);
    EXPECT_EQ(numericValue32(u"2.51"), 3);
    EXPECT_EQ(numericValue32(u"2147483647"), 2147483647);
    EXPECT_EQ(numericValue32(u"-2147483648"), -2147483647 - 1);
    // Beyond 32 bits the value is unusable, never wrapped.
    for (const Text& text : {Text(u"2147483648"), Text(u"-2147483649"), Text(400, u'9')})
        EXPECT_FALSE(numericValue32(text).has_value()) << toUtf8(text);
}
