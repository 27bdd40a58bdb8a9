// The shared line reader: every terminator mix at tiny and real buffer sizes, against a
// plain reference splitter, and the block API (with findLineEnd and countLineEnds)
// agreeing with next(). The empty file and the edges of the last line are among the mixes.
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

// The lines by next(), or cut out of the blocks with findLineEnd the way the scan does it;
// the blocks must tile the file, and countLineEnds must agree with them.
std::vector<Got> readLines(const std::filesystem::path& p, std::size_t capacity, std::string_view whole, bool blocks) {
    InputFile in;
    EXPECT_FALSE(in.open(fromPath(p)));
    LineReader r(in, capacity);
    std::vector<Got> out;
    for (Line line; !blocks && r.next(line);)
        out.push_back({std::string(line.bytes), line.offset});
    std::int64_t expectOffset = 0;
    for (LineBlock b; blocks && r.nextBlock(b);) {
        EXPECT_EQ(b.offset, expectOffset);
        EXPECT_EQ(b.bytes, whole.substr(static_cast<std::size_t>(b.offset), b.bytes.size()));
        expectOffset += static_cast<std::int64_t>(b.bytes.size());
        EXPECT_EQ(r.consumed(), expectOffset);
        std::int64_t lines = 0;
        for (std::size_t pos = 0; pos < b.bytes.size();) {
            const LineEnd e = findLineEnd(b.bytes, pos);
            out.push_back({std::string(b.bytes.substr(pos, e.end - pos)), b.offset + static_cast<std::int64_t>(pos)});
            lines += e.termLen ? 1 : 0;
            pos = e.end + e.termLen;
        }
        EXPECT_EQ(countLineEnds(b.bytes), lines);
    }
    EXPECT_EQ(expectOffset, blocks ? static_cast<std::int64_t>(whole.size()) : 0);
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
                ASSERT_EQ(readLines(path, cap, s, false), want);
                ASSERT_EQ(readLines(path, cap, s, true), want);
            }
        }
    }
}

TEST(LineReader, ReadErrorEndsTheLinesAndIsReported) {
    // Reading a folder fails on the first read: no line and no block may come out of it.
    pwtest::ScratchDir dir;
    for (const bool blocks : {false, true}) {
        InputFile in;
        if (in.open(fromPath(dir.path()))) GTEST_SKIP() << "this system does not open folders as files";
        LineReader r(in, 16);
        Line line;
        LineBlock block;
        EXPECT_FALSE(blocks ? r.nextBlock(block) : r.next(line));
        EXPECT_TRUE(r.error());
    }
}
