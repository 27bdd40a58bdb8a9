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

TEST(Regex, DefaultPatternAndCase) {
    const Text def = u"第(.){1,10}章";
    EXPECT_TRUE(matches(def, u"第一章 开始"));
    EXPECT_TRUE(matches(def, u"他说第三章写得好"));
    EXPECT_TRUE(matches(def, u"\u3000\u3000第一百二十章\u3000大结局"));
    EXPECT_FALSE(matches(def, u"第一二三四五六七八九十一章")); // eleven between
    EXPECT_TRUE(matches(def, u"第一二三四五六七八九十章"));    // ten
    EXPECT_FALSE(matches(def, u"第章"));
    EXPECT_FALSE(matches(def, u"第一日落")); // decoded text: no 章 in it
    // The dot is one character, a supplementary one included (two UTF-16 units).
    EXPECT_TRUE(matches(u"^第.章$", u"第\U00020000章"));
    EXPECT_FALSE(matches(u"^第..章$", u"第\U00020000章"));

    EXPECT_TRUE(matches(u"chapter", u"CHAPTER 1"));
    EXPECT_TRUE(matches(u"CHAPTER", u"chapter 1"));
    EXPECT_TRUE(matches(u"\u00C4", u"\u00E4")); // caseless beyond ASCII
    EXPECT_TRUE(matches(u"^$", u""));           // an empty line is a subject too
    EXPECT_TRUE(matches(u"", u"anything"));     // an empty pattern matches every line
    EXPECT_FALSE(matches(u"x$", u"x\u2028y"));  // $ is the end of the line only
}

TEST(Regex, EcmaScriptFlavour) {
    EXPECT_TRUE(matches(u"\\u7B2C", u"第")); // \uHHHH
    EXPECT_TRUE(matches(u"\\x41", u"a"));    // \xHH, caseless
    EXPECT_TRUE(matches(u"\\d+", u"12"));
    EXPECT_FALSE(matches(u"\\d", u"\uFF11"));  // \d stays ASCII: a full-width 1 is no digit
    EXPECT_FALSE(matches(u"\\w", u"\u7B2C"));  // so does \w
    EXPECT_FALSE(matches(u"a[]", u"a"));       // [] matches nothing
    EXPECT_TRUE(matches(u"a[^]", u"ab"));      // [^] matches anything
    EXPECT_TRUE(matches(u"^(a)?\\1b$", u"b")); // a backreference to an unset group matches empty
    EXPECT_TRUE(matches(u"第(?:一|二)回", u"第二回"));
}

TEST(Regex, RefusedPatternsSayWhatAndWhere) {
    struct Case {
        Text pattern;
        std::size_t offset;
    };
    for (const Case& c : {Case{u"第(.){1,10}章(", 12}, Case{u"[a", 2}, Case{u"a{2,1}", 5}, Case{u"\U00020000(", 2}}) {
        auto r = Regex::compile(c.pattern);
        const auto* e = std::get_if<RegexError>(&r);
        ASSERT_TRUE(e) << toUtf8(c.pattern);
        EXPECT_FALSE(e->message.empty());
        EXPECT_EQ(e->offset, c.offset) << toUtf8(c.pattern) << ": " << toUtf8(e->message);
    }
    auto r = Regex::compile(u"(abc");
    EXPECT_NE(toUtf8(std::get<RegexError>(r).message).find("parenthesis"), std::string::npos);
}

TEST(Regex, RunawayPatternHitsTheLimit) {
    const Text line = Text(40, u'a') + u"!";
    Regex small = make(u"(a+)+$", 100000);
    EXPECT_EQ(small.test(line), MatchResult::LimitHit);
    EXPECT_FALSE(small.lastError().empty());
    EXPECT_EQ(small.test(u"aaa"), MatchResult::Match); // still usable afterwards
    // With the default limit too, within a moment rather than forever.
    EXPECT_EQ(make(u"(a+)+$").test(line), MatchResult::LimitHit);
    EXPECT_EQ(make(u"^(\\w+\\s?)*$").test(u"a run of words that ends in a bad character at last!"),
              MatchResult::LimitHit);
    // An honest pattern over a long line does not run out of stack.
    EXPECT_EQ(make(u"(?:a|b)*c").test(Text(200000, u'a') + u"c"), MatchResult::Match);
}

TEST(Regex, RequiredLiteralsForThePrefilter) {
    using V = std::vector<char16_t>;
    EXPECT_EQ(make(u"第(.){1,10}章").requiredLiterals(), (V{u'第', u'章'}));
    EXPECT_EQ(make(u"第(.){1,10}回").requiredLiterals(), (V{u'第', u'回'}));
    EXPECT_EQ(make(u"第").requiredLiterals(), (V{u'第'}));
    EXPECT_EQ(make(u"章.*章").requiredLiterals(), (V{u'章'}));
    EXPECT_EQ(make(u"1\\d").requiredLiterals(), (V{u'1'}));
    EXPECT_TRUE(make(u"chapter").requiredLiterals().empty()); // letters have case
    EXPECT_TRUE(make(u"第|回").requiredLiterals().empty());
    EXPECT_TRUE(make(u".").requiredLiterals().empty());
    EXPECT_TRUE(make(u"\u00DF").requiredLiterals().empty());     // ß matches ẞ caselessly
    EXPECT_TRUE(make(u"\U00020000").requiredLiterals().empty()); // surrogates are no characters

    EXPECT_TRUE(hasNoCase(u'第'));
    EXPECT_TRUE(hasNoCase(u'1'));
    EXPECT_TRUE(hasNoCase(u'\u3000'));
    EXPECT_FALSE(hasNoCase(u'a'));
    EXPECT_FALSE(hasNoCase(u'K'));
    EXPECT_FALSE(hasNoCase(u'\u212A')); // the Kelvin sign is a K caselessly
    EXPECT_FALSE(hasNoCase(u'\u00DF'));
    EXPECT_FALSE(hasNoCase(u'\u03C2')); // final sigma
    EXPECT_FALSE(hasNoCase(char16_t{0xD840}));
    EXPECT_FALSE(hasNoCase(u'\uFFFD'));
}
