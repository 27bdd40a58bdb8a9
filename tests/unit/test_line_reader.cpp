// The shared line reader: every terminator mix at tiny and real buffer sizes, its blocks
// cut into lines with findLineEnd (and counted with countLineEnds and countLines) against a
// plain reference splitter. The empty file and the edges of the last line are among the mixes.
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

// The rule, spelled out the slow way: CR LF, LF alone and CR alone end a line.
std::vector<Got> reference(std::string_view s) {
    std::vector<Got> out;
    std::size_t start = 0, i = 0;
    while (i < s.size()) {
        if (s[i] == '\n' || s[i] == '\r') {
            out.push_back({std::string(s.substr(start, i - start)), static_cast<std::int64_t>(start)});
            i += (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < s.size()) out.push_back({std::string(s.substr(start)), static_cast<std::int64_t>(start)});
    return out;
}

const EncodingTraits& kTraits = traitsOf(Encoding::Gb18030);

// The lines cut out of the blocks with findLineEnd the way the scan does it; the blocks
// must tile the file, and the counts must agree with them.
std::vector<Got> readLines(const std::filesystem::path& p, std::size_t capacity, std::string_view whole) {
    InputFile in;
    EXPECT_FALSE(in.open(fromPath(p)));
    LineReader r(in, kTraits, capacity);
    std::vector<Got> out;
    std::int64_t expectOffset = 0;
    for (LineBlock b; r.nextBlock(b);) {
        EXPECT_EQ(b.offset, expectOffset);
        EXPECT_EQ(b.bytes, whole.substr(static_cast<std::size_t>(b.offset), b.bytes.size()));
        expectOffset += static_cast<std::int64_t>(b.bytes.size());
        EXPECT_EQ(r.consumed(), expectOffset);
        std::int64_t ends = 0, lines = 0;
        for (std::size_t pos = 0; pos < b.bytes.size(); ++lines) {
            const LineEnd e = findLineEnd(b.bytes, pos, kTraits);
            out.push_back({std::string(b.bytes.substr(pos, e.end - pos)), b.offset + static_cast<std::int64_t>(pos)});
            ends += e.termLen ? 1 : 0;
            pos = e.end + e.termLen;
        }
        EXPECT_EQ(countLineEnds(b.bytes, kTraits), ends);
        EXPECT_EQ(countLines(b.bytes, kTraits), lines);
        // Every line's start is found again from any byte in it, as the scan does from a candidate.
        for (const Got& g : out) {
            if (g.offset < b.offset) continue;
            const auto start = static_cast<std::size_t>(g.offset - b.offset);
            for (std::size_t i = start; i < start + g.bytes.size(); ++i)
                EXPECT_EQ(findLineStart(b.bytes, 0, i, kTraits), start);
        }
    }
    EXPECT_EQ(expectOffset, static_cast<std::int64_t>(whole.size()));
    EXPECT_FALSE(r.error());
    return out;
}

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
            const auto want = reference(s);
            for (std::size_t cap : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{64 * 1024}}) {
                SCOPED_TRACE(::testing::PrintToString(s) + " capacity " + std::to_string(cap));
                ASSERT_EQ(readLines(path, cap, s), want);
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
