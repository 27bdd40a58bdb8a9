// What a hostile or broken input can make the core do: names that are not UTF-8, lines
// without an end, patterns that run away on every line. Each must end in a clear refusal
// or in the right result, never in an abort or an endless wait.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/line_reader.h"
#include "platform/paths.h"
#include "platform/regex.h"
#include "support/split_test_util.h"

using namespace pw;

namespace {

const std::string kGbkName = "\xB2\xE2\xCA\xD4"; // "测试" in GBK: not UTF-8

// Grows a file to `size` bytes with a hole: zeros that cost no disk.
void growSparse(const std::filesystem::path& p, off_t size) {
    ASSERT_EQ(truncate(p.c_str(), size), 0);
}

} // namespace

TEST(NativeNames, BytesThatAreNotUtf8SurviveTheTripThroughText) {
    const std::vector<std::string> names = {
        kGbkName + ".txt",
        "\xE5\xB0\x8F\xE8\xAF\xB4", // valid UTF-8 ("小说") reads as itself
        "a\xE5\xB0",                // a sequence cut short at the end
        "\xED\xB2\x80",             // a surrogate spelled in UTF-8: ill-formed, kept as bytes
        "\xC0\xAF..\xFF",           // an overlong slash and a byte no UTF-8 has
        "plain",
    };
    for (const std::string& n : names) {
        const Text t = fromNativeBytes(n);
        EXPECT_EQ(toNativeBytes(t), n);
        EXPECT_EQ(toPath(t).native(), n);
        EXPECT_EQ(fromPath(std::filesystem::path(n)), t);
    }
    EXPECT_EQ(fromNativeBytes("\xE5\xB0\x8F\xE8\xAF\xB4"), u"小说");
    EXPECT_EQ(fromNativeBytes(kGbkName), Text({0xDCB2, 0xDCE2, 0xDCCA, 0xDCD4}));
    EXPECT_TRUE(isValidUtf8("\xE5\xB0\x8F"));
    EXPECT_FALSE(isValidUtf8(kGbkName));
    EXPECT_FALSE(isValidUtf8("\xED\xB2\x80"));
}

TEST(NativeNames, AFileWithAGbkNameIsFoundOpenedAndListed) {
    pwtest::ScratchDir dir;
    const std::filesystem::path file = dir.path() / kGbkName;
    pwtest::writeAll(file, "abc\n");
    // As a listing of the folder hands the name to the core, and back to the system.
    const Text listed = fromPath(std::filesystem::directory_iterator(dir.path())->path());
    EXPECT_TRUE(isRegularFile(listed));
    InputFile in;
    ASSERT_FALSE(in.open(listed));
    EXPECT_EQ(in.size(), 4);
    OutputFile out;
    ASSERT_FALSE(out.open(listed + u".out", OutputMode::Create));
    EXPECT_FALSE(out.close());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / (kGbkName + ".out")));
}

namespace {

// Lines cut from the reader's blocks, until the end or the first error.
std::vector<std::string> linesOf(const std::filesystem::path& p, std::size_t capacity, std::size_t maxLine,
                                 bool& refused) {
    InputFile in;
    EXPECT_FALSE(in.open(fromPath(p)));
    const EncodingTraits& traits = traitsOf(Encoding::Gb18030);
    LineReader r(in, traits, capacity, maxLine);
    std::vector<std::string> out;
    for (LineBlock b; r.nextBlock(b);)
        for (std::size_t pos = 0; pos < b.bytes.size();) {
            const LineEnd e = findLineEnd(b.bytes, pos, traits);
            out.emplace_back(b.bytes.substr(pos, e.end - pos));
            pos = e.end + e.termLen;
        }
    refused = r.stoppedAtLongLine();
    EXPECT_EQ(refused, r.error().has_value());
    return out;
}

} // namespace

TEST(LongLines, TheLimitHoldsToTheByteWhateverEndsTheLine) {
    pwtest::ScratchDir dir;
    const auto path = dir / "long.txt";
    const std::size_t limit = 16;
    const std::string atLimit(limit, 'x'), over(limit + 1, 'x');
    struct Case {
        std::string bytes;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"a\n" + atLimit + "\n" + "b", false},
        {"a\r\n" + atLimit + "\r\nb", false},
        {atLimit + "\r", false},
        {atLimit + "\r" + atLimit, false},
        {atLimit, false},
        {"a\n" + over + "\nb", true},
        {over + "\r\n", true},
        {over, true},
        {"a\r" + over, true},
    };
    for (const Case& c : cases) {
        pwtest::writeAll(path, c.bytes);
        for (const std::size_t capacity : {1, 7, 64}) {
            bool refused = false;
            const auto got = linesOf(path, capacity, limit, refused);
            EXPECT_EQ(refused, c.refused) << c.bytes << " capacity " << capacity;
            // The lines before the long one are all handed out, the long one never.
            for (const std::string& l : got)
                EXPECT_TRUE(!c.refused || l.size() <= limit) << l;
        }
    }
}

TEST(LongLines, AnEndlessLineOfZerosFailsTheSplitInsteadOfFillingMemory) {
    // The scan sees the short file; then it grows into 20 MB of zeros without a line end.
    pwtest::SplitSetup s("CH1\nabc\nCH2\ndef\n", 1);
    growSparse(s.input, 20 << 20);
    s.ui.answer({MsgAnswer::Yes}); // go on although the size changed
    const SplitResult r = s.run();
    EXPECT_EQ(r.end, SplitEnd::Failed);
    const auto seen = pwtest::boxesAndStatus(s.ui);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_NE(seen[seen.size() - 2].find("超过 16 MB"), std::string::npos) << seen[seen.size() - 2];
}

TEST(RunawayBudget, APatternJustUnderTheLineLimitOnEveryLineStopsAfterAFewLines) {
    constexpr std::uint32_t kLimit = 100'000;
    const Text pattern = u"(x+x+)+y";
    // The longest line of x that one test still clears under the limit: each such line costs
    // between half the limit and all of it.
    const auto line = [](int n) { return Text(static_cast<std::size_t>(n), u'x') + u"!y"; };
    int n = 1;
    for (;; ++n) {
        auto fresh = std::get<Regex>(Regex::compile(pattern, kLimit));
        if (fresh.test(line(n + 1)) == MatchResult::LimitHit) break;
        ASSERT_LT(n, 40);
    }
    auto re = std::get<Regex>(Regex::compile(pattern, kLimit));
    int tested = 0;
    while (tested < 1000 && re.test(line(n)) == MatchResult::NoMatch)
        ++tested;
    EXPECT_GE(tested, 2);
    EXPECT_LE(tested, static_cast<int>(2 * Regex::kBudgetLines));
    // A cheap line still runs: the budget only counts what lines were proven to need.
    auto honest = std::get<Regex>(Regex::compile(u"第(.){1,10}章", kLimit));
    for (int i = 0; i < 100'000; ++i)
        ASSERT_EQ(honest.test(u"　　他翻到第一百二十章，又看了一遍第三章的开头。"), MatchResult::Match);
}
