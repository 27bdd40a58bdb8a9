// The shared line reader: every terminator mix at tiny and real buffer sizes, its blocks
// cut into lines with findLineEnd (and counted with countLineEnds and countLines) against a
// plain reference splitter. The empty file and the edges of the last line are among the mixes;
// in UTF-16 the reads are so small that units and CR LF pairs are cut in two, and a line-end
// byte inside a character never ends a line.
#include <gtest/gtest.h>

#include "platform/line_reader.h"
#include "platform/paths.h"
#include "support/corpus.h"

using namespace pw;

namespace {

struct Got {
    std::string bytes;
    std::int64_t offset;
    bool operator==(const Got&) const = default;
};

// The rule, spelled out the slow way in whole code units: CR LF, LF alone and CR alone end a
// line; a byte after the last whole unit belongs to the last line.
std::vector<Got> reference(std::string_view s, const EncodingTraits& t) {
    const std::size_t w = t.unitWidth;
    std::vector<Got> out;
    std::size_t start = 0, i = 0;
    while (i + w <= s.size()) {
        const std::string_view u = s.substr(i, w);
        if (u == t.cr || u == t.lf) {
            out.push_back({std::string(s.substr(start, i - start)), static_cast<std::int64_t>(start)});
            i += (u == t.cr && s.substr(i + w, w) == t.lf) ? 2 * w : w;
            start = i;
        } else {
            i += w;
        }
    }
    if (start < s.size()) out.push_back({std::string(s.substr(start)), static_cast<std::int64_t>(start)});
    return out;
}

// The lines cut out of the blocks with findLineEnd the way the scan does it; the blocks
// must tile the file, and the counts must agree with them.
std::vector<Got> readLines(const std::filesystem::path& p, const EncodingTraits& t, std::size_t capacity,
                           std::string_view whole) {
    InputFile in;
    EXPECT_FALSE(in.open(fromPath(p)));
    LineReader r(in, t, capacity);
    std::vector<Got> out;
    std::int64_t expectOffset = 0;
    for (LineBlock b; r.nextBlock(b);) {
        EXPECT_EQ(b.offset, expectOffset);
        EXPECT_EQ(b.bytes, whole.substr(static_cast<std::size_t>(b.offset), b.bytes.size()));
        expectOffset += static_cast<std::int64_t>(b.bytes.size());
        EXPECT_EQ(r.consumed(), expectOffset);
        std::int64_t ends = 0, lines = 0;
        for (std::size_t pos = 0; pos < b.bytes.size(); ++lines) {
            const LineEnd e = findLineEnd(b.bytes, pos, t);
            out.push_back({std::string(b.bytes.substr(pos, e.end - pos)), b.offset + static_cast<std::int64_t>(pos)});
            // Found again from any whole unit in the line, as the scan does from a candidate.
            for (std::size_t i = pos; i + t.unitWidth <= e.end; i += t.unitWidth)
                EXPECT_EQ(findLineStart(b.bytes, 0, i, t), pos);
            ends += e.termLen ? 1 : 0;
            pos = e.end + e.termLen;
        }
        if (t.unitWidth == 1) {
            EXPECT_EQ(countLineEnds(b.bytes, t), ends);
        }
        EXPECT_EQ(countLines(b.bytes, t), lines);
    }
    EXPECT_EQ(expectOffset, static_cast<std::int64_t>(whole.size()));
    EXPECT_FALSE(r.error());
    return out;
}

const EncodingTraits& kTraits = traitsOf(Encoding::Gb18030);

} // namespace

TEST(LineReader, EveryTerminatorMixAtEveryBufferSize) {
    pwtest::ScratchDir dir;
    const auto path = dir / "mix.txt";
    // Every string of up to 7 bytes over {x, CR, LF}: empty lines, CR LF split by a refill,
    // a CR at a buffer end followed by LF or by another CR, terminators at the very end.
    const char alphabet[] = {'x', '\r', '\n'};
    for (int len = 0, combos = 1; len <= 7; ++len, combos *= 3) {
        for (int c = 0; c < combos; ++c) {
            std::string s;
            for (int i = 0, v = c; i < len; ++i, v /= 3)
                s += alphabet[v % 3];
            pwtest::writeAll(path, s);
            const auto want = reference(s, kTraits);
            for (std::size_t cap : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{64 * 1024}}) {
                SCOPED_TRACE(::testing::PrintToString(s) + " capacity " + std::to_string(cap));
                ASSERT_EQ(readLines(path, kTraits, cap, s), want);
            }
        }
    }
}

TEST(LineReader, EveryUtf16UnitMixAtEveryReadSize) {
    pwtest::ScratchDir dir;
    const auto path = dir / "u16.txt";
    for (const Encoding e : {Encoding::Utf16Le, Encoding::Utf16Be}) {
        const EncodingTraits& t = traitsOf(e);
        // A letter, CR, LF, and characters whose bytes are those of CR and LF the wrong way
        // round (U+0D0A, U+0A0D) or with a zero (U+0A00, U+0D00): only the first three may matter.
        Decoder d(e);
        const std::string units[] = {d.encode(U'x'), std::string(t.cr), std::string(t.lf), d.encode(U'\u0D0A'),
                                     d.encode(U'\u0A00')};
        for (int len = 0, combos = 1; len <= 4; ++len, combos *= 5) {
            for (int c = 0; c < combos; ++c) {
                std::string s;
                for (int i = 0, v = c; i < len; ++i, v /= 5)
                    s += units[v % 5];
                for (const bool oddEnd : {false, true}) {
                    const std::string bytes = oddEnd ? s + "\x0A" : s;
                    pwtest::writeAll(path, bytes);
                    for (const std::size_t cap : {1, 3, 5, 64 * 1024}) {
                        SCOPED_TRACE(std::string(t.name) + " " + ::testing::PrintToString(bytes) + " capacity " +
                                     std::to_string(cap));
                        ASSERT_EQ(readLines(path, t, cap, bytes), reference(bytes, t));
                    }
                }
            }
        }
    }
}

TEST(LineReader, ReadErrorEndsTheLinesAndIsReported) {
    // Reading a folder fails on the first read: no line and no block may come out of it.
    pwtest::ScratchDir dir;
    InputFile in;
    if (in.open(fromPath(dir.path()))) GTEST_SKIP() << "this system does not open folders as files";
    LineReader r(in, kTraits, 16);
    LineBlock block;
    EXPECT_FALSE(r.nextBlock(block));
    EXPECT_TRUE(r.error());
}
