// Output file names: the short name for the field and the status, the full path for the writer.
#include <gtest/gtest.h>

#include "options/make_out_name.h"
#include "platform/paths.h"

using namespace pw;

namespace {

WorkingState named(std::int32_t start, std::int32_t width, Text dir = u"/书") {
    WorkingState s;
    s.strOutDir = std::move(dir);
    s.strOutName = u"小说";
    s.lngStartNum = start;
    s.lngNumWidth = width;
    return s;
}

const Text kSep(1, kSeparator);

} // namespace

TEST(MakeOutName, NumberingPaddingAndThePreamble) {
    WorkingState s = named(1, 2);
    EXPECT_EQ(MakeOutName(s, 1, true), u"小说01");
    EXPECT_EQ(MakeOutName(s, 123, true), u"小说123");
    EXPECT_EQ(MakeOutName(s, 0, true), u"小说(index)");
    WorkingState p = named(77, 5);
    EXPECT_EQ(MakeOutName(p, -3, true), u"小说(index)"); // the preamble ignores the numbering
    EXPECT_EQ(MakeOutName(p, 1, true), u"小说00077");
    WorkingState z = named(0, 2);
    EXPECT_EQ(MakeOutName(z, 1, true), u"小说00");
    WorkingState neg = named(1, -4);
    EXPECT_EQ(MakeOutName(neg, 7, true), u"小说7");
    // 64-bit: a start near the 32-bit limit still gives the right digits.
    WorkingState big = named(2147483647, 2);
    EXPECT_EQ(MakeOutName(big, 40000, true), u"小说2147523646");
}

TEST(MakeOutName, FullPathAddsTheSeparatorOnceToTheState) {
    WorkingState s = named(1, 2);
    EXPECT_EQ(MakeOutName(s, 1, true), u"小说01");
    EXPECT_EQ(s.strOutDir, u"/书"); // a short-name call never touches the folder
    EXPECT_EQ(MakeOutName(s, 1, false), u"/书" + kSep + u"小说01.txt");
    EXPECT_EQ(s.strOutDir, u"/书" + kSep);
    EXPECT_EQ(MakeOutName(s, 0, false), u"/书" + kSep + u"小说(index).txt");
    WorkingState e = named(1, 2, u"");
    EXPECT_EQ(MakeOutName(e, 1, false), kSep + u"小说01.txt");
}
