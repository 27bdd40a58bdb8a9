// Output file names: the short name for the field and the status, the full path for the writer.
#include <gtest/gtest.h>

#include "options/make_out_name.h"
#include "platform/paths.h"

using namespace pw;

namespace {

WorkingState named(std::int32_t start = 1, std::int32_t width = 2, Text dir = u"/书") {
    WorkingState s;
    s.strOutDir = std::move(dir);
    s.strOutName = u"小说";
    s.lngStartNum = start;
    s.lngNumWidth = width;
    return s;
}

const Text kSep(1, kSeparator);

} // namespace

TEST(MakeOutName, ExampleTable) {
    WorkingState s = named();
    EXPECT_EQ(MakeOutName(s, 0, true), u"小说(index)");
    EXPECT_EQ(MakeOutName(s, 1, true), u"小说01");
    EXPECT_EQ(MakeOutName(s, 12, true), u"小说12");
    EXPECT_EQ(MakeOutName(s, 123, true), u"小说123");
    EXPECT_EQ(s.strOutDir, u"/书"); // a short-name call never touches the folder
    EXPECT_EQ(MakeOutName(s, 1, false), u"/书" + kSep + u"小说01.txt");
    EXPECT_EQ(s.strOutDir, u"/书" + kSep);
    EXPECT_EQ(MakeOutName(s, 0, false), u"/书" + kSep + u"小说(index).txt");
}

TEST(MakeOutName, PaddingAndStartNumber) {
    WorkingState s = named(5, 3);
    EXPECT_EQ(MakeOutName(s, 1, true), u"小说005");
    EXPECT_EQ(MakeOutName(s, 6, true), u"小说010");
    WorkingState z = named(0, 2);
    EXPECT_EQ(MakeOutName(z, 1, true), u"小说00");
    WorkingState none = named(1, 0);
    EXPECT_EQ(MakeOutName(none, 7, true), u"小说7");
    WorkingState neg = named(1, -4);
    EXPECT_EQ(MakeOutName(neg, 7, true), u"小说7");
}

TEST(MakeOutName, PreambleIgnoresNumbering) {
    WorkingState s = named(77, 5);
    EXPECT_EQ(MakeOutName(s, 0, true), u"小说(index)");
    EXPECT_EQ(MakeOutName(s, -3, true), u"小说(index)");
}

TEST(MakeOutName, FolderSeparatorIsAddedOnce) {
    WorkingState s = named(1, 2, u"/out" + kSep);
    EXPECT_EQ(MakeOutName(s, 2, false), u"/out" + kSep + u"小说02.txt");
    EXPECT_EQ(s.strOutDir, u"/out" + kSep);
    WorkingState e = named(1, 2, u"");
    EXPECT_EQ(MakeOutName(e, 1, false), kSep + u"小说01.txt");
}

TEST(MakeOutName, StartNearTheLimitGivesTheRightDigits) {
    WorkingState s = named(2147483647, 2);
    EXPECT_EQ(MakeOutName(s, 1, true), u"小说2147483647");
    EXPECT_EQ(MakeOutName(s, 2, true), u"小说2147483648");
    EXPECT_EQ(MakeOutName(s, 40000, true), u"小说2147523646");
}
