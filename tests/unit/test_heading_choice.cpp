// Choosing the heading rule: every preset tried on a file's first part, against generated novels
// whose form is known; and rule lists that readers share (legado's txtTocRule JSON).
#include <gtest/gtest.h>

#include <variant>

#include "platform/regex.h"
#include "scan/preset_choice.h"
#include "scan/shared_rules.h"
#include "support/corpus.h"
#include "support/novel.h"

using namespace pw;
using pwtest::NovelOptions;

TEST(HeadingChoice, PicksThePresetOfTheNovelsFormAndSaysWhy) {
    struct Case {
        NovelOptions novel;
        std::vector<std::string> fitting; // the presets that cut this novel right
    };
    const Case cases[] = {
        {{.seed = 81, .chapters = 200}, {"chapter"}},
        {{.encoding = pwtest::NovelEncoding::Big5, .seed = 82, .chapters = 150, .chapterWord = U'回'}, {"hui"}},
        {{.encoding = pwtest::NovelEncoding::Utf16Le, .seed = 83, .chapters = 300, .webNovel = true}, {"webnovel"}},
        {{.seed = 84, .chapters = 300, .numerals = pwtest::NumeralStyle::FinancialTraditional}, {"chapter"}},
        // A table of contents lists every heading again: those copies are flagged, but they are
        // no doubt about the rule that finds them with the headings.
        {{.seed = 10, .chapters = 300, .contentsAtStart = true}, {"chapter"}},
        {{.seed = 85, .chapters = 1500, .webNovel = true, .contentsAtStart = true}, {"webnovel", "chapter"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.novel.seed));
        pwtest::ScratchDir dir;
        pwtest::writeNovel(dir / "novel.txt", c.novel);
        const SampleLines sample = readSampleLines(dir / "novel.txt");
        ASSERT_FALSE(sample.error);
        const PresetChoice choice = choosePreset(sample.lines, patternPresets());
        ASSERT_NE(choice.chosen, nullptr);
        EXPECT_NE(std::find(c.fitting.begin(), c.fitting.end(), choice.chosen->id), c.fitting.end())
            << choice.chosen->id;
        const std::vector<Text> lines = presetChoiceLines(choice);
        ASSERT_EQ(lines.size(), patternPresets().size() + 1);
        EXPECT_NE(lines[0].find(fromUtf8(choice.chosen->id)), Text::npos);
        // What a scan that found nothing with another pattern would be told.
        EXPECT_NE(presetsThatFindText(choice).find(fromUtf8(choice.chosen->id)), Text::npos);
    }
    // Prose without headings: no choice, and no preset to suggest.
    const PresetChoice none = choosePreset({u"天色渐渐暗了下来。", u"他回到屋里坐下。"}, patternPresets());
    EXPECT_EQ(none.chosen, nullptr);
    EXPECT_TRUE(presetsThatFindText(none).empty());
}

TEST(SharedRules, LegadoRulesFindTheirExamplesAndBadOnesAreNamed) {
    const SharedRulesLoad load = loadSharedRules(std::filesystem::path(PW_TEST_DATA) / "legado_txt_toc_rules.json");
    ASSERT_FALSE(load.error);
    const SharedRules& rules = load.rules;
    // PCRE2 before 10.43 has no look-behind of varying length: that rule is named and skipped.
    EXPECT_GE(rules.presets().size() + rules.skipped().size(), 11u);
    EXPECT_GE(rules.presets().size(), 10u);
    for (const PatternPreset& p : rules.presets()) {
        SCOPED_TRACE(p.id);
        auto compiled = Regex::compile(p.pattern);
        ASSERT_TRUE(std::holds_alternative<Regex>(compiled));
        EXPECT_EQ(std::get<Regex>(compiled).test(p.example), MatchResult::Match) << toUtf8(p.example);
        EXPECT_EQ(rules.find(p.id), &p);
    }
    EXPECT_FALSE(rules.find("数字(纯数字标题)")->automatic); // disabled in the list
    EXPECT_TRUE(rules.find("目录")->automatic);
    EXPECT_EQ(rules.find("chapter"), findPreset("chapter"));
    EXPECT_EQ(rules.withBuiltIns().size(), patternPresets().size() + rules.presets().size());

    const SharedRulesLoad bad = parseSharedRules(
        R"([{"name": "坏规则", "rule": "第(章"}, {"name": "chapter", "rule": "x"}, {"rule": "y"},
            {"name": "好规则", "rule": "^第.章", "enable": true}])");
    ASSERT_FALSE(bad.error);
    ASSERT_EQ(bad.rules.presets().size(), 1u);
    ASSERT_EQ(bad.rules.skipped().size(), 3u);
    EXPECT_TRUE(bad.rules.skipped()[0].starts_with(u"坏规则："));
    EXPECT_TRUE(bad.rules.skipped()[1].starts_with(u"chapter："));
    EXPECT_TRUE(parseSharedRules("{}").error);
    EXPECT_TRUE(parseSharedRules("not json").error);
    EXPECT_TRUE(loadSharedRules("/nonexistent/rules.json").error);
    // A look-behind for a blank also matches at a line's start, as it does across legado's whole text.
    EXPECT_EQ(ruleForLines(u"(?<=[　\\s])第.章"), u"(?:^|(?<=[　\\s]))第.章");
    EXPECT_EQ(ruleForLines(u"^第.章"), u"^第.章");
}
