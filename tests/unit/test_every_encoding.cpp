// Generated novels in every encoding and with every kind of line end, through the real split:
// the output joined back is the input line for line (kept bytes), or the same text in UTF-8.
// The expectations come from the generator's own record of each line, not from the reader.
#include <gtest/gtest.h>

#include "support/novel.h"
#include "support/split_test_util.h"

using namespace pwtest;
using pw::Encoding;
using pw::OutputEncoding;

namespace {

// The raw bytes of each line, cut by whole code units: the reference the reader is held to.
std::vector<std::string> rawLines(std::string_view bytes, const pw::EncodingTraits& t) {
    const std::size_t w = t.unitWidth;
    std::vector<std::string> lines;
    std::size_t start = 0, i = 0;
    while (i + w <= bytes.size()) {
        const std::string_view unit = bytes.substr(i, w);
        if (unit == t.cr || unit == t.lf) {
            lines.emplace_back(bytes.substr(start, i - start));
            i += (unit == t.cr && bytes.substr(i + w, w) == t.lf) ? 2 * w : w;
            start = i;
        } else {
            i += w;
        }
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

bool blankText(const std::string& utf8) {
    for (const char16_t c : pw::fromUtf8(utf8))
        if (c != u' ' && c != u'\u3000') return false;
    return true;
}

struct Expected {
    std::string joined;      // all output files joined, without the marks each file starts with
    std::int64_t bad = 0;    // U+FFFD in the kept lines
};

// What the split must write: every line kept by the blank rule (judged on the decoded text),
// followed by CR LF in the output's encoding; a UTF-8 mark stays in line 1 when bytes are kept.
Expected expected(const Novel& novel, bool dropBlank, OutputEncoding out) {
    const pw::EncodingTraits& t = pw::traitsOf(coreEncoding(novel.options.encoding));
    std::string_view bytes = novel.bytes;
    const bool strip = out == OutputEncoding::Utf8 || t.unitWidth == 2;
    if (strip && !t.bom.empty() && bytes.starts_with(t.bom)) bytes.remove_prefix(t.bom.size());
    const std::vector<std::string> raw = rawLines(bytes, t);
    EXPECT_EQ(raw.size(), novel.lines.size());
    Expected e;
    for (std::size_t i = 0; i < raw.size() && i < novel.lines.size(); ++i) {
        if (dropBlank && blankText(novel.lines[i])) continue;
        if (out == OutputEncoding::Utf8) {
            e.joined += novel.lines[i] + "\r\n";
            for (std::size_t k = 0; (k = novel.lines[i].find("\uFFFD", k)) != std::string::npos; k += 3)
                ++e.bad;
        } else {
            e.joined += raw[i] + std::string(t.crlf);
        }
    }
    return e;
}

} // namespace

TEST(EveryEncoding, SplitKeepsTheBytesOrWritesTheSameTextInUtf8) {
    std::uint32_t seed = 200;
    std::int64_t replacedInAll = 0;
    for (const NovelEncoding enc : kAllNovelEncodings) {
        for (const LineEnds ends : {LineEnds::CrLf, LineEnds::Lf, LineEnds::Cr, LineEnds::Mixed}) {
            const Novel novel = makeNovel({.encoding = enc, .lineEnds = ends, .seed = ++seed, .chapters = 12});
            const pw::EncodingTraits& t = pw::traitsOf(coreEncoding(enc));
            for (const OutputEncoding out : {OutputEncoding::Keep, OutputEncoding::Utf8}) {
                const bool dropBlank = seed % 2 == 1;
                // Tiny reads: line ends, and in UTF-16 the units themselves, cut by refills.
                const std::size_t capacity = seed % 4 < 2 ? 7 : pw::LineReader::kDefaultCapacity;
                SCOPED_TRACE(nameOf(enc) + " seed " + std::to_string(seed) +
                             (out == OutputEncoding::Utf8 ? " to UTF-8" : " kept") +
                             (dropBlank ? " dropping blanks" : "") + " capacity " + std::to_string(capacity));
                SplitSetup s(novel.bytes, 3, looksLikeHeading);
                ASSERT_EQ(s.encoding, t.encoding);
                ASSERT_GT(s.st.lngMatchCount, 0);
                s.st.blnDeleteSpc = dropBlank;
                s.st.outputEncoding = out;
                const pw::SplitResult r = s.run({}, capacity);
                ASSERT_EQ(r.end, pw::SplitEnd::Done) << s.ui.lastStatus();

                // UTF-16 files each start with the input's mark; UTF-8 output has none.
                const std::string_view mark = out == OutputEncoding::Keep && t.unitWidth == 2 ? t.bom : "";
                std::string joined;
                for (const auto& [index, bytes] : s.outputs()) {
                    EXPECT_TRUE(std::string_view(bytes).starts_with(mark)) << index;
                    if (out == OutputEncoding::Utf8) {
                        EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << index;
                    }
                    joined += bytes.substr(mark.size());
                }
                const Expected want = expected(novel, dropBlank, out);
                EXPECT_TRUE(joined == want.joined);
                EXPECT_EQ(r.replaced, want.bad);
                replacedInAll += r.replaced;
                // The count is told after the usual status, and only when there is one.
                if (want.bad > 0) {
                    ASSERT_EQ(s.ui.boxes.size(), 1u);
                    EXPECT_EQ(s.ui.boxes[0].id, pw::MsgId::BytesReplaced);
                    EXPECT_EQ(s.ui.boxes[0].style, pw::MsgStyle::Notice);
                    EXPECT_EQ(s.ui.boxTexts()[0], "转换为 UTF-8 时，有 " + std::to_string(want.bad) + " 处字节无法按 " +
                                                      t.name + " 解码，已替换为 U+FFFD（\uFFFD）。");
                } else {
                    EXPECT_TRUE(s.ui.boxes.empty());
                }
            }
        }
    }
    EXPECT_GT(replacedInAll, 0) << "no novel held a byte that does not decode";
}
