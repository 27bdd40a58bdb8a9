// The heading pattern engine: ECMAScript-like syntax, caseless, one decoded character per
// dot, refusals with a position, runaway patterns stopped, and the literals for the prefilter.
#include <gtest/gtest.h>

#include "platform/regex.h"

using namespace pw;

namespace {

Regex make(TextView pattern, std::uint32_t limit = Regex::kDefaultMatchLimit) {
    auto r = Regex::compile(pattern, limit);
    if (auto* e = std::get_if<RegexError>(&r)) ADD_FAILURE() << "refused: " << toUtf8(e->message);
    return std::move(std::get<Regex>(r));
}

bool matches(TextView pattern, TextView line) {
    return make(pattern).test(line) == MatchResult::Match;
}

} // namespace

TEST(Regex, SyntaxCaseAndCharacters) {
    const Text def = u"第(.){1,10}章";
    EXPECT_TRUE(matches(def, u"他说第一二三四五六七八九十章")); // anywhere in the line, ten between
    EXPECT_FALSE(matches(def, u"第一二三四五六七八九十一章"));  // eleven between
    EXPECT_FALSE(matches(def, u"第章"));
    // The dot is one character, a supplementary one included (two UTF-16 units).
    EXPECT_TRUE(matches(u"^第.章$", u"第\U00020000章"));
    EXPECT_TRUE(matches(u"CHAPTER", u"chapter 1"));
    EXPECT_TRUE(matches(u"\u00C4", u"\u00E4")); // caseless beyond ASCII
    EXPECT_TRUE(matches(u"", u""));             // an empty pattern matches every line, even an empty one
    EXPECT_FALSE(matches(u"x$", u"x\u2028y"));  // $ is the end of the line only
    // The ECMAScript flavour.
    EXPECT_TRUE(matches(u"\\u7B2C", u"第"));
    EXPECT_TRUE(matches(u"\\x41", u"a"));
    EXPECT_FALSE(matches(u"\\d", u"\uFF11")); // \d and \w stay ASCII
    EXPECT_FALSE(matches(u"\\w", u"\u7B2C"));
    EXPECT_FALSE(matches(u"a[]", u"a"));       // [] matches nothing
    EXPECT_TRUE(matches(u"a[^]", u"ab"));      // [^] matches anything
    EXPECT_TRUE(matches(u"^(a)?\\1b$", u"b")); // a backreference to an unset group matches empty
}

TEST(Regex, RefusedPatternsSayWhatAndWhereInCharacters) {
    for (const auto& [pattern, offset] :
         {std::pair<Text, std::size_t>{u"第(.){1,10}章(", 12}, {u"a{2,1}", 5}, {u"\U00020000(", 2}}) {
        auto r = Regex::compile(pattern);
        const auto* e = std::get_if<RegexError>(&r);
        ASSERT_TRUE(e) << toUtf8(pattern);
        EXPECT_FALSE(e->message.empty());
        EXPECT_EQ(e->offset, offset) << toUtf8(pattern) << ": " << toUtf8(e->message);
    }
}

TEST(Regex, CommonMistakesAreExplainedInChinese) {
    const std::pair<Text, Text> cases[] = {
        {u"第(.{1,10}章", u"缺少右括号 )"},
        {u"第.{1,10})章", u"多了一个右括号 )"},
        {u"第[一二三章", u"缺少右方括号 ]"},
        {u"*章", u"重复符号前面没有可以重复的内容"},
        {u"第.{10,1}章", u"花括号 {} 里的次数前大后小"},
        {u"[九-一]", u"方括号 [] 里的范围前大后小"},
        {u"\\", u"末尾的反斜杠 \\ 后面缺少字符"},
        {u"第\\q章", u"不认识反斜杠 \\ 后面的字符"},
        {u"[\\d-z]", u"方括号 [] 里的范围无效"},
        {u"(?<=第.*)章", u"向后查找 (?<=…) 或 (?<!…) 里的内容长度必须固定"},
    };
    for (const auto& [pattern, message] : cases) {
        auto r = Regex::compile(pattern);
        const auto* e = std::get_if<RegexError>(&r);
        ASSERT_TRUE(e) << toUtf8(pattern);
        EXPECT_EQ(e->message, message) << toUtf8(pattern);
    }
    // A rare refusal keeps the engine's own words rather than no words at all.
    auto r = Regex::compile(u"(*NOSUCHVERB)章");
    const auto* e = std::get_if<RegexError>(&r);
    ASSERT_TRUE(e);
    EXPECT_NE(toUtf8(e->message).find("not recognized"), std::string::npos) << toUtf8(e->message);
}

TEST(Regex, RunawayPatternHitsTheLimit) {
    const Text line = Text(40, u'a') + u"!";
    Regex small = make(u"(a+)+$", 100000);
    EXPECT_EQ(small.test(line), MatchResult::LimitHit);
    EXPECT_FALSE(small.lastError().empty());
    EXPECT_EQ(small.test(u"aaa"), MatchResult::Match); // still usable afterwards
    // With the default limit too, within a moment rather than forever.
    EXPECT_EQ(make(u"(a+)+$").test(line), MatchResult::LimitHit);
    // An honest pattern over a long line does not run out of stack.
    EXPECT_EQ(make(u"(?:a|b)*c").test(Text(200000, u'a') + u"c"), MatchResult::Match);
}

TEST(Regex, RequiredLiteralsForThePrefilter) {
    using V = std::vector<char16_t>;
    EXPECT_EQ(make(u"第(.){1,10}章").requiredLiterals(), (V{u'第', u'章'}));
    EXPECT_EQ(make(u"章.*章").requiredLiterals(), (V{u'章'}));
    EXPECT_EQ(make(u"1\\d").requiredLiterals(), (V{u'1'}));
    for (const Text p : {u"chapter", u"第|回", u"\u00DF", u"\u212A", u"\U00020000"}) // case, choice, surrogates
        EXPECT_TRUE(make(p).requiredLiterals().empty()) << toUtf8(p);
    EXPECT_TRUE(hasNoCase(u'\u3000'));
    for (const char16_t c : {u'K', u'\u212A', u'\u00DF', u'\u03C2', char16_t{0xD840}, u'\uFFFD'})
        EXPECT_FALSE(hasNoCase(c)) << static_cast<int>(c);
}
