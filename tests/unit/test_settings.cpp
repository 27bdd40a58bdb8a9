// Loading the shipped settings table, and every fallback of the loader.
#include <gtest/gtest.h>

#include "options/settings.h"
#include "platform/paths.h"
#include "support/corpus.h"

using namespace pw;

namespace {

struct Loaded {
    WorkingState state;
    std::optional<Text> error;
};

Loaded load(const std::map<int, Text>& changes, const Text& appDir = u"/opt/pagewright") {
    SettingsTable t = shippedSettings();
    for (const auto& [id, v] : changes) t[id] = v;
    Loaded l;
    l.error = loadSettings(t, appDir, l.state);
    return l;
}

Text sep() { return Text(1, kSeparator); }

} // namespace

TEST(Settings, ShippedTableGivesTheDefaults) {
    const Loaded l = load({});
    ASSERT_FALSE(l.error);
    EXPECT_EQ(l.state.strOutDir, u"/opt/pagewright" + sep());
    EXPECT_EQ(l.state.strOutName, u"小说");
    EXPECT_EQ(l.state.strFindStr, u"第(.){1,10}章");
    EXPECT_EQ(l.state.lngChapsPerFile, 6);
    EXPECT_EQ(l.state.lngStartNum, 1);
    EXPECT_EQ(l.state.lngNumWidth, 2);
    EXPECT_TRUE(l.state.blnDeleteSpc);
    EXPECT_FALSE(l.state.blnDoEvents);
    EXPECT_EQ(shippedSettings().at(109), u"true");
}

TEST(Settings, OutputFolder) {
    pwtest::ScratchDir dir;
    const Text existing = fromPath(dir.path());
    EXPECT_EQ(load({{101, u" default "}}).state.strOutDir, u"/opt/pagewright" + sep());
    EXPECT_EQ(load({{101, u""}}).state.strOutDir, u"/opt/pagewright" + sep());
    EXPECT_EQ(load({{101, existing}}).state.strOutDir, existing + sep());
    EXPECT_EQ(load({{101, existing + sep()}}).state.strOutDir, existing + sep());
    EXPECT_EQ(load({{101, existing + u"/missing"}}).state.strOutDir, u"/opt/pagewright" + sep());
    // Not the keyword in another case: tested as a path.
    EXPECT_EQ(load({{101, u"DEFAULT"}}).state.strOutDir, u"/opt/pagewright" + sep());
    // A file is no folder.
    pwtest::writeAll(dir / "plain.txt", "x");
    EXPECT_EQ(load({{101, existing + u"/plain.txt"}}).state.strOutDir, u"/opt/pagewright" + sep());
    // The program in the root folder: no second separator.
    EXPECT_EQ(load({}, sep()).state.strOutDir, sep());
}

TEST(Settings, NamesAndPatternFallBackWhenEmpty) {
    EXPECT_EQ(load({{102, u"  "}}).state.strOutName, u"小说");
    EXPECT_EQ(load({{102, u" 书 "}}).state.strOutName, u"书");
    EXPECT_EQ(load({{103, u"\u3000"}}).state.strFindStr, u"第(.){1,10}章");
    EXPECT_EQ(load({{103, u" chapter "}}).state.strFindStr, u"chapter");
}

TEST(Settings, NumbersAndTheirFallbacks) {
    EXPECT_EQ(load({{104, u"0"}}).state.lngChapsPerFile, 6);
    EXPECT_EQ(load({{104, u"-3"}}).state.lngChapsPerFile, 6);
    EXPECT_EQ(load({{104, u"abc"}}).state.lngChapsPerFile, 6);
    EXPECT_EQ(load({{104, u"2.5"}}).state.lngChapsPerFile, 2);
    EXPECT_EQ(load({{104, u"3.5"}}).state.lngChapsPerFile, 4);
    EXPECT_EQ(load({{104, u"7 chapters"}}).state.lngChapsPerFile, 7);
    EXPECT_EQ(load({{104, u"99999999999"}}).state.lngChapsPerFile, 6);
    EXPECT_EQ(load({{105, u"0"}}).state.lngStartNum, 0);
    EXPECT_EQ(load({{105, u"-1"}}).state.lngStartNum, 1);
    EXPECT_EQ(load({{106, u"0"}}).state.lngNumWidth, 0);
    EXPECT_EQ(load({{106, u"-1"}}).state.lngNumWidth, 2);
}

TEST(Settings, FlagsAreExactlyLowerCaseTrue) {
    for (const char16_t* t : {u"True", u"TRUE", u" true", u"yes", u""}) {
        EXPECT_FALSE(load({{107, t}}).state.blnDeleteSpc);
        EXPECT_FALSE(load({{108, t}}).state.blnDoEvents);
    }
    EXPECT_TRUE(load({{108, u"true"}}).state.blnDoEvents);
}

TEST(Settings, Id109ChangesNothingAndAMissingIdIsReported) {
    const Loaded a = load({{109, u"false"}});
    const Loaded b = load({});
    EXPECT_EQ(a.state.strOutDir, b.state.strOutDir);
    EXPECT_EQ(a.state.blnDeleteSpc, b.state.blnDeleteSpc);

    SettingsTable t = shippedSettings();
    t.erase(104);
    WorkingState s;
    const auto err = loadSettings(t, u"/x", s);
    ASSERT_TRUE(err);
    EXPECT_NE(err->find(u"104"), Text::npos);
}
