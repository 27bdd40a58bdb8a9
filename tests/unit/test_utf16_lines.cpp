// Lines in UTF-16 end at whole units: the reader, with reads so small that units and CR LF
// pairs are cut in two, against a plain splitter; a line-end byte inside a character, or a
// needle's bytes across two characters, never ends or starts a line; and half a unit at the
// end of a file is told about and kept.
#include <gtest/gtest.h>

#include "platform/line_reader.h"
#include "platform/paths.h"
#include "scan/scan_pass.h"
#include "support/split_test_util.h"

using namespace pw;

namespace {

struct Line {
    std::string bytes;
    std::int64_t offset;
    bool operator==(const Line&) const = default;
};

// Cut by whole units, the slow way; a byte after the last whole unit belongs to the last line.
std::vector<Line> reference(std::string_view s, const EncodingTraits& t) {
    std::vector<Line> out;
    std::size_t start = 0, i = 0;
    while (i + 2 <= s.size()) {
        const std::string_view u = s.substr(i, 2);
        if (u == t.cr || u == t.lf) {
            out.push_back({std::string(s.substr(start, i - start)), static_cast<std::int64_t>(start)});
            i += (u == t.cr && s.substr(i + 2, 2) == t.lf) ? 4 : 2;
            start = i;
        } else {
            i += 2;
        }
    }
    if (start < s.size()) out.push_back({std::string(s.substr(start)), static_cast<std::int64_t>(start)});
    return out;
}

std::vector<Line> readLines(const std::filesystem::path& p, const EncodingTraits& t, std::size_t capacity) {
    InputFile in;
    EXPECT_FALSE(in.open(fromPath(p)));
    LineReader r(in, t, capacity);
    std::vector<Line> out;
    for (LineBlock b; r.nextBlock(b);) {
        std::int64_t lines = 0;
        for (std::size_t pos = 0; pos < b.bytes.size(); ++lines) {
            const LineEnd e = findLineEnd(b.bytes, pos, t);
            out.push_back({std::string(b.bytes.substr(pos, e.end - pos)), b.offset + static_cast<std::int64_t>(pos)});
            // Found again from any whole unit in the line, as the scan does from a candidate.
            for (std::size_t i = pos; i + 2 <= e.end; i += 2)
                EXPECT_EQ(findLineStart(b.bytes, 0, i, t), pos);
            pos = e.end + e.termLen;
        }
        EXPECT_EQ(countLines(b.bytes, t), lines);
    }
    EXPECT_FALSE(r.error());
    return out;
}

} // namespace

TEST(Utf16Lines, EveryUnitMixAtEveryReadSize) {
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
                        ASSERT_EQ(readLines(path, t, cap), reference(bytes, t));
                    }
                }
            }
        }
    }
}

TEST(Utf16Lines, NeedleBytesAcrossTwoCharactersAreNoCandidate) {
    // U+2C41 U+7B7B hold 2C 7B, the bytes of 第, across their boundary; 第一章 is on line 3.
    const std::u16string text = u"\u2C41\u7B7B\r\n\u2C41\u7B7B第\r\n第一章";
    for (const Encoding e : {Encoding::Utf16Le, Encoding::Utf16Be}) {
        Decoder d(e);
        std::string bytes;
        for (const char16_t c : text)
            bytes += d.encode(c);
        pwtest::SplitSetup s(bytes, 1, [](const Text& l) { return l.find(u"第") != Text::npos; });
        ASSERT_EQ(s.st.analyzedEncoding, e) << traitsOf(e).name;
        for (const bool prefilter : {true, false}) {
            WorkingState st;
            st.strInFile = fromPath(s.input);
            st.strFindStr = u"第";
            pwtest::ScriptedUi ui;
            struct : ScanReceiver {
                std::vector<std::int64_t> lines;
                void heading(const HeadingFound& h) override { lines.push_back(h.line); }
            } got;
            ScanOptions o;
            o.prefilter = prefilter;
            o.encoding = e;
            const ScanResult r = runScan(st, ui, got, o);
            ASSERT_EQ(r.outcome, ScanOutcome::Finished);
            EXPECT_FALSE(r.encodingDetected);
            EXPECT_EQ(r.lines, 3);
            EXPECT_EQ(got.lines, (std::vector<std::int64_t>{2, 3})) << traitsOf(e).name << prefilter;
        }
    }
}

TEST(Utf16Lines, HalfAUnitAtTheEndIsToldAndKept) {
    Decoder d(Encoding::Utf16Le);
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : std::u16string(u"第一章\r\n正文\r\n第二章\r\n正文"))
        bytes += d.encode(c);
    bytes += "\x41";
    pwtest::SplitSetup s(bytes, 1, pwtest::looksLikeHeading);
    s.st.strFindStr = u"第(.){1,10}章";
    struct : ScanReceiver {
        void heading(const HeadingFound&) override {}
    } none;
    const ScanResult r = runScan(s.st, s.ui, none);
    ASSERT_EQ(r.outcome, ScanOutcome::Finished);
    EXPECT_EQ(r.lines, 4);
    ASSERT_EQ(s.ui.boxes.size(), 1u);
    EXPECT_EQ(s.ui.boxes[0].id, MsgId::OddTrailingByte);
    EXPECT_EQ(s.ui.boxes[0].style, MsgStyle::Notice);
    EXPECT_EQ(s.ui.boxes[0].text, u"文件末尾多出一个字节，凑不成完整的 UTF-16LE 字符：" + fromPath(s.input) +
                                      u"（该字节算作最后一行的内容，输出时原样保留）");
    // The status is the usual one, and the byte goes out with the last line.
    EXPECT_EQ(s.ui.lastStatus(), "分析完毕！文件大小：0KB，共 2 行符合条件");
    s.ui.boxes.clear();
    ASSERT_EQ(s.run().end, SplitEnd::Done) << s.ui.lastStatus();
    EXPECT_EQ(s.file(2), "\xFF\xFE" + bytes.substr(bytes.size() - 15) + std::string("\x0D\x00\x0A\x00", 4));
    // In UTF-8 it is one U+FFFD, and counted.
    std::filesystem::remove_all(s.out);
    std::filesystem::create_directories(s.out);
    s.st.outputEncoding = OutputEncoding::Utf8;
    const SplitResult u8 = s.run();
    ASSERT_EQ(u8.end, SplitEnd::Done);
    EXPECT_EQ(u8.replaced, 1);
    EXPECT_EQ(s.file(2), "第二章\r\n正文\uFFFD\r\n");
    EXPECT_EQ(s.ui.boxes.size(), 1u);
}
