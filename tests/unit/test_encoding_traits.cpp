// What an encoding implies, kept in one value: its bytes agree with its own converter, its
// blank-line rule works in whole code units, and the split writer's fast line scan (a byte
// mask per 64 bytes) never passes over a line the rule calls blank, on generated lines.
#include <gtest/gtest.h>

#include <random>

#include "platform/encoding.h"
#include "platform/line_reader.h"
#include "walk/line_scan.h"

using namespace pw;

TEST(EncodingTraits, BytesAreWhatTheConverterMakesOfTheCharacters) {
    for (const Encoding e : kAllEncodings) {
        const EncodingTraits& t = traitsOf(e);
        SCOPED_TRACE(t.name);
        EXPECT_EQ(t.encoding, e);
        EXPECT_EQ(encodingById(t.id), e);
        Decoder d(e);
        EXPECT_EQ(d.encode(U'\r'), t.cr);
        EXPECT_EQ(d.encode(U'\n'), t.lf);
        EXPECT_EQ(std::string(t.cr) + std::string(t.lf), t.crlf);
        EXPECT_EQ(d.encode(U' '), t.space);
        EXPECT_EQ(d.encode(U'\u3000'), t.ideographicSpace);
        EXPECT_EQ(t.unitWidth, t.cr.size());
        EXPECT_EQ(d.decode(t.ideographicSpace), u"\u3000");
        if (!t.bom.empty()) {
            EXPECT_EQ(d.encode(U'\uFEFF'), t.bom);
        }
    }
    EXPECT_EQ(encodingById("GB18030"), std::nullopt); // scripts write the ids as they are
    EXPECT_EQ(encodingById("auto"), std::nullopt);
}

TEST(EncodingTraits, BlankMeansOnlyWholeSpacesInEveryUnitWidth) {
    using std::string_view_literals::operator""sv;
    const struct {
        Encoding encoding;
        std::string_view bytes;
        bool blank;
    } cases[] = {
        {Encoding::Gb18030, "", true},
        {Encoding::Gb18030, " \xA1\xA1  \xA1\xA1", true},
        {Encoding::Gb18030, "\t", false},
        {Encoding::Gb18030, " a", false},
        {Encoding::Gb18030, " \xA1", false},         // half an ideographic space
        {Encoding::Gb18030, "\xA1\xA1\xA1 ", false}, // and one and a half
        {Encoding::Gb18030, "\xB0\xA1", false},      // a character ending in the space's last byte
        {Encoding::Gb18030, "\xE3\x80\x80", false},  // the UTF-8 bytes are no space here
        {Encoding::Utf8, " \xE3\x80\x80 ", true},
        {Encoding::Utf8, "\xA1\xA1", false},
        {Encoding::Utf8, "\xE3\x80", false},
        // In UTF-16 a space's bytes straddling two units are no space, nor is half a unit.
        {Encoding::Utf16Le, "\x20\x00\x00\x30"sv, true},
        {Encoding::Utf16Le, "\x41\x20\x00\x00"sv, false},
        {Encoding::Utf16Le, "\x20\x00\x00"sv, false},
        {Encoding::Utf16Be, "\x30\x00\x00\x20"sv, true},
        {Encoding::Utf16Be, "\x00\x30\x00\x20"sv, false},
        // Big5's ideographic space ends in "@": a character ending in A1 before "@" is none.
        {Encoding::Big5, " \xA1\x40 ", true},
        {Encoding::Big5, "\xA4\xA1\x40", false},
        {Encoding::Big5, "@", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(traitsOf(c.encoding).isBlank(c.bytes), c.blank)
            << traitsOf(c.encoding).name << " " << ::testing::PrintToString(std::string(c.bytes));
}

namespace {

// Random lines of text, spaces, ideographic spaces and stray bytes of them, with every kind
// of line end: long enough that the 64-byte windows (and their seams) are crossed often.
std::string generatedLines(std::mt19937& rng, const EncodingTraits& t, std::size_t size) {
    const std::string pieces[] = {"x",
                                  "abcdefghij",
                                  std::string(t.space),
                                  std::string(t.ideographicSpace),
                                  std::string(t.ideographicSpace.substr(t.ideographicSpace.size() - 1)),
                                  "\xD5\xC2",
                                  "\r\n",
                                  "\r\n",
                                  "\n",
                                  "\r"};
    std::string s;
    while (s.size() < size)
        s += pieces[rng() % std::size(pieces)];
    return s;
}

} // namespace

TEST(EncodingTraits, FastLineScanIsAPrefilterOfTheBlankRule) {
    std::mt19937 rng(1234);
    // Both instruction paths, whatever this processor has; blank lines kept or dropped; a
    // limit that often ends the passing-over inside a window.
    for (const ScanPath path : {ScanPath::Best, ScanPath::Portable}) {
        for (const Encoding e : {Encoding::Gb18030, Encoding::Utf8, Encoding::Big5}) {
            const EncodingTraits& t = traitsOf(e);
            std::int64_t skippedInAll = 0;
            for (int round = 0; round < 300; ++round) {
                std::string block = generatedLines(rng, t, 64 + rng() % 700);
                if (block.back() == '\r') block += '\n'; // a block never ends in half a CR LF
                SCOPED_TRACE(::testing::PrintToString(block));
                const bool blankMatters = round % 3 != 0;
                LineScanner scanner(block, t, path);
                std::size_t pos = 0; // where the reference says the next line starts
                for (;;) {
                    // Every line passed over ends in CR LF and is not blank by the rule.
                    const std::int64_t limit = round % 2 ? 1 << 20 : static_cast<std::int64_t>(rng() % 6);
                    const std::int64_t skipped = scanner.skipPlain(limit, blankMatters);
                    ASSERT_LE(skipped, limit);
                    for (std::int64_t i = 0; i < skipped; ++i) {
                        const LineEnd end = findLineEnd(block, pos, t);
                        ASSERT_EQ(end.termLen, 2u);
                        if (blankMatters) {
                            ASSERT_FALSE(t.isBlank(std::string_view(block).substr(pos, end.end - pos)));
                        }
                        pos = end.end + end.termLen;
                    }
                    skippedInAll += skipped;
                    ASSERT_EQ(scanner.position(), pos);
                    std::size_t start;
                    LineEnd got{};
                    if (!scanner.next(start, got)) break;
                    const LineEnd want = findLineEnd(block, pos, t);
                    ASSERT_EQ(start, pos);
                    ASSERT_EQ(got.end, want.end);
                    ASSERT_EQ(got.termLen, want.termLen);
                    pos = want.end + want.termLen;
                }
                ASSERT_EQ(pos, block.size());
            }
            EXPECT_GT(skippedInAll, 100) << "the fast path was never taken";
        }
    }
}
