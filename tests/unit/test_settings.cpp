// Loading the shipped settings table, and every fallback of the loader.
#include <gtest/gtest.h>

#include "options/settings.h"
#include "platform/paths.h"
#include "support/corpus.h"

using namespace pw;

namespace {

const Text kApp = u"/opt/pagewright";
const Text kSep(1, kSeparator);

WorkingState load(const std::map<int, Text>& changes, const Text& appDir = kApp) {
    SettingsTable t = shippedSettings();
    for (const auto& [id, v] : changes)
        t[id] = v;
    WorkingState s;
    EXPECT_FALSE(loadSettings(t, appDir, s));
    return s;
}

} // namespace

TEST(Settings, ShippedTableGivesTheDefaults) {
    const WorkingState s = load({});
    EXPECT_EQ(std::tuple(s.strOutDir, s.strOutName, s.strFindStr, s.lngChapsPerFile, s.lngStartNum, s.lngNumWidth,
                         s.blnDeleteSpc, s.blnDoEvents),
              std::tuple(kApp + kSep, Text(u"小说"), Text(u"第(.){1,10}章"), 6, 1, 2, true, false));
}

TEST(Settings, OutputFolderIsAnExistingFolderOrTheProgramsOwn) {
    pwtest::ScratchDir dir;
    const Text existing = fromPath(dir.path());
    pwtest::writeAll(dir / "plain.txt", "x");
    EXPECT_EQ(load({{101, u" default "}}).strOutDir, kApp + kSep);
    EXPECT_EQ(load({{101, u""}}).strOutDir, kApp + kSep);
    EXPECT_EQ(load({{101, existing}}).strOutDir, existing + kSep);
    EXPECT_EQ(load({{101, existing + kSep}}).strOutDir, existing + kSep);
    EXPECT_EQ(load({{101, existing + u"/missing"}}).strOutDir, kApp + kSep);
    EXPECT_EQ(load({{101, existing + u"/plain.txt"}}).strOutDir, kApp + kSep); // a file is no folder
    EXPECT_EQ(load({}, kSep).strOutDir, kSep); // the program in the root folder: no second separator
}

TEST(Settings, TextsNumbersAndFlagsFallBack) {
    EXPECT_EQ(load({{102, u"  "}}).strOutName, u"小说");
    EXPECT_EQ(load({{102, u" 书 "}}).strOutName, u"书");
    EXPECT_EQ(load({{103, u"\u3000"}}).strFindStr, u"第(.){1,10}章");
    // Below its least value, or beyond 32 bits, a number takes its fallback.
    EXPECT_EQ(load({{104, u"0"}}).lngChapsPerFile, 6);
    EXPECT_EQ(load({{104, u"99999999999"}}).lngChapsPerFile, 6);
    EXPECT_EQ(load({{104, u"7 chapters"}}).lngChapsPerFile, 7);
    EXPECT_EQ(load({{105, u"0"}}).lngStartNum, 0);
    EXPECT_EQ(load({{105, u"-1"}}).lngStartNum, 1);
    EXPECT_EQ(load({{106, u"0"}}).lngNumWidth, 0);
    EXPECT_EQ(load({{106, u"-1"}}).lngNumWidth, 2);
    // Flags are exactly lower-case "true".
    for (const char16_t* t : {u"True", u" true"}) {
        EXPECT_FALSE(load({{107, t}}).blnDeleteSpc);
        EXPECT_FALSE(load({{108, t}}).blnDoEvents);
    }
    EXPECT_TRUE(load({{108, u"true"}}).blnDoEvents);
}

TEST(Settings, Id109ChangesNothingAndAMissingIdIsReported) {
    EXPECT_EQ(load({{109, u"false"}}).blnDeleteSpc, load({}).blnDeleteSpc);
    SettingsTable t = shippedSettings();
    t.erase(104);
    WorkingState s;
    const auto err = loadSettings(t, u"/x", s);
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, u"程序的设置表缺少第 104 项，无法启动！");
}
