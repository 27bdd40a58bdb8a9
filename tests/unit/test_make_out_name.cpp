// Output file names: the short name for the field and the status, the full path for the writer.
#include <gtest/gtest.h>

#include "options/make_out_name.h"
#include "platform/paths.h"

using namespace pw;

namespace {

WorkingState named(std::int32_t start, std::int32_t width) {
    WorkingState s;
    s.strOutDir = u"/书";
    s.strOutName = u"小说";
    s.lngStartNum = start;
    s.lngNumWidth = width;
    return s;
}

Text shortName(std::int64_t index, std::int32_t start, std::int32_t width) {
    WorkingState s = named(start, width);
    return MakeOutName(s, index, true);
}

} // namespace

TEST(MakeOutName, NumberingPaddingAndThePreamble) {
    EXPECT_EQ(shortName(1, 1, 2), u"小说01");
    EXPECT_EQ(shortName(123, 1, 2), u"小说123");
    EXPECT_EQ(shortName(1, 77, 5), u"小说00077");
    EXPECT_EQ(shortName(1, 0, 2), u"小说00");
    EXPECT_EQ(shortName(7, 1, -4), u"小说7");
    EXPECT_EQ(shortName(0, 1, 2), u"小说(index)");
    EXPECT_EQ(shortName(-3, 77, 5), u"小说(index)");               // the preamble ignores the numbering
    EXPECT_EQ(shortName(40000, 2147483647, 2), u"小说2147523646"); // 64-bit near the 32-bit limit
}

TEST(MakeOutName, FullPathAddsTheSeparatorOnceAndChangesNothing) {
    const Text sep(1, kSeparator);
    WorkingState s = named(1, 2);
    EXPECT_EQ(MakeOutName(s, 1, true), u"小说01");
    EXPECT_EQ(s.strOutDir, u"/书"); // a short-name call never touches the folder
    EXPECT_EQ(MakeOutName(s, 1, false), u"/书" + sep + u"小说01.txt");
    EXPECT_EQ(s.strOutDir, u"/书");
    s.strOutDir += sep;
    EXPECT_EQ(MakeOutName(s, 0, false), u"/书" + sep + u"小说(index).txt");
    s.strOutDir.clear();
    EXPECT_EQ(MakeOutName(s, 1, false), sep + u"小说01.txt");
}
