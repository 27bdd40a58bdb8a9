// Counting line ends, the scan's work between heading candidates, against a byte-by-byte
// count: CR LF pairs across every alignment, runs long enough to fill the counters, and
// a CR or CR LF at the very end.
#include <gtest/gtest.h>

#include <random>

#include "platform/line_reader.h"

using namespace pw;

namespace {

std::int64_t slowCount(std::string_view b) {
    std::int64_t ends = 0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (b[i] == '\n') ++ends;
        if (b[i] == '\r' && (i + 1 == b.size() || b[i + 1] != '\n')) ++ends;
    }
    return ends;
}

} // namespace

TEST(CountLineEnds, AgreesWithAByteByByteCountAtEveryLengthAndAlignment) {
    std::mt19937 rng(99);
    const EncodingTraits& t = traitsOf(Encoding::Gb18030);
    const char pieces[] = {'a', '\r', '\n', '\xA1', '\x0D', '\x0A', ' '};
    std::string buf(20000, 'x');
    for (char& c : buf)
        c = pieces[rng() % std::size(pieces)];
    // Every start within 17 bytes and lengths around the 16-byte steps and the counter flush.
    for (std::size_t start = 0; start < 17; ++start) {
        for (std::size_t len : {0, 1, 2, 15, 16, 17, 18, 31, 32, 33, 100, 4079, 4080, 4081, 4097, 9000, 19000}) {
            const std::string_view b = std::string_view(buf).substr(start, len);
            ASSERT_EQ(countLineEnds(b, t), slowCount(b)) << start << " " << len;
        }
    }
    // Nothing but line ends: the byte counters hit 255 per lane.
    const std::string allLf(70000, '\n'), allCr(70000, '\r');
    EXPECT_EQ(countLineEnds(allLf, t), 70000);
    EXPECT_EQ(countLineEnds(allCr, t), 70000);
    std::string pairs;
    for (int i = 0; i < 5000; ++i)
        pairs += "\r\n";
    EXPECT_EQ(countLineEnds(pairs, t), 5000);
    EXPECT_EQ(countLineEnds(pairs.substr(1), t), 5000);              // a lone LF first
    EXPECT_EQ(countLineEnds(pairs.substr(0, pairs.size() - 1), t), 5000); // a CR last
}

TEST(CountLineEnds, TwoByteUnitsAgreeWithAUnitByUnitCount) {
    using namespace std::string_literals;
    for (const Encoding e : {Encoding::Utf16Le, Encoding::Utf16Be}) {
        const EncodingTraits& t = traitsOf(e);
        SCOPED_TRACE(t.name);
        const auto slow = [&](std::string_view b) {
            std::int64_t ends = 0;
            for (std::size_t i = 0; i + 2 <= b.size(); i += 2) {
                const std::string_view u = b.substr(i, 2), next = b.substr(i + 2, 2);
                ends += u == t.lf || (u == t.cr && next != t.lf);
            }
            return ends;
        };
        // Besides CR and LF, units that hold their bytes without being them.
        const std::string units[] = {std::string(t.cr), std::string(t.lf), "\x0D\x0A"s, "\x0A\x0D"s, "a\0"s, "\0\x0D"s};
        std::mt19937 rng(7);
        std::string buf;
        for (int i = 0; i < 20000; ++i)
            buf += units[rng() % std::size(units)];
        for (std::size_t start : {0, 2, 6, 30})
            for (std::size_t len : {0, 2, 32, 34, 36, 64, 66, 1000, 39998})
                ASSERT_EQ(countLineEnds(std::string_view(buf).substr(start, len), t),
                          slow(std::string_view(buf).substr(start, len)))
                    << start << " " << len;
        // Enough line ends that every counter is summed on the way.
        std::string lfs, crlfs;
        for (int i = 0; i < 600000; ++i)
            lfs += t.lf;
        for (int i = 0; i < 300000; ++i)
            crlfs += t.crlf;
        EXPECT_EQ(countLineEnds(lfs, t), 600000);
        EXPECT_EQ(countLineEnds(crlfs, t), 300000);
        EXPECT_EQ(countLineEnds(std::string_view(crlfs).substr(0, crlfs.size() - 2), t), 300000); // a CR last
    }
}
