// Deciding the encoding of short samples: GBK against Big5 prose (and traditional text in GBK,
// as real GBK novels often are), UTF-16 without a mark, text that is mostly ASCII; and a
// choice made by the user wins over all of it.
#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include "platform/encoding.h"
#include "platform/paths.h"
#include "scan/scan_pass.h"
#include "support/corpus.h"
#include "support/novel.h"
#include "support/scripted_ui.h"

using namespace pw;

namespace {

std::string encoded(const char* converter, std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* to = ucnv_open(converter, &status);
    UConverter* from = ucnv_open("UTF-8", &status);
    ucnv_setFromUCallBack(to, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::string out(utf8.size() * 4 + 16, '\0');
    char* dst = out.data();
    const char* src = utf8.data();
    ucnv_convertEx(to, from, &dst, dst + out.size(), &src, src + utf8.size(), nullptr, nullptr, nullptr, nullptr, true,
                   true, &status);
    ucnv_close(to);
    ucnv_close(from);
    EXPECT_TRUE(U_SUCCESS(status)) << converter << ": " << utf8;
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

const std::string kSimplified =
    "第一章　风起云涌\r\n　　天色渐渐暗了下来，他回到屋里坐下，说这一回没有什么好写的。\r\n";
const std::string kTraditional =
    "第一章　風起雲湧\r\n　　天色漸漸暗了下來，他回到屋裡坐下，說這一回沒有什麼好寫的。\r\n";
const std::string kAsciiHeavy = "Chapter 1 (2019-05-01), notes: see http://example.invalid/a?b=1 -- "
                                "done, ok; 第一章 写得好。\r\n";

} // namespace

TEST(EncodingDetect, ShortSamplesOfEveryKind) {
    const struct {
        const char* what;
        std::string bytes;
        Encoding want;
    } cases[] = {
        {"simplified GBK prose", encoded("GBK", kSimplified), Encoding::Gb18030},
        {"traditional prose in GBK", encoded("GBK", kTraditional), Encoding::Gb18030},
        {"traditional Big5 prose", encoded("Big5", kTraditional), Encoding::Big5},
        {"Big5 prose with a damaged byte", encoded("Big5", kTraditional) + "\x81\x80" + encoded("Big5", kTraditional),
         Encoding::Big5},
        {"UTF-8 prose", kSimplified, Encoding::Utf8},
        {"UTF-16LE without a mark", encoded("UTF-16LE", kSimplified), Encoding::Utf16Le},
        {"UTF-16BE without a mark", encoded("UTF-16BE", kTraditional), Encoding::Utf16Be},
        {"UTF-16LE mostly ASCII", encoded("UTF-16LE", kAsciiHeavy), Encoding::Utf16Le},
        {"UTF-16BE mostly ASCII", encoded("UTF-16BE", kAsciiHeavy), Encoding::Utf16Be},
        // A character of U+xx00 (一 is U+4E00) puts zeros in the other half: no vote for that order.
        {"UTF-16LE of 一 and line ends", encoded("UTF-16LE", "一一一一一一\r\n一一一一\r\n"), Encoding::Utf16Le},
        {"GBK mostly ASCII", encoded("GBK", kAsciiHeavy), Encoding::Gb18030},
        {"ASCII only", "Chapter 1\r\nIt was a dark night.\r\n", Encoding::Gb18030},
        {"zero bytes only", std::string(4096, '\0'), Encoding::Gb18030},
        // Too few characters to tell: doubt goes to GB18030.
        {"three Big5 characters", encoded("Big5", "第一章"), Encoding::Gb18030},
    };
    for (const auto& c : cases) {
        const EncodingGuess g = detectEncoding(c.bytes, true);
        EXPECT_EQ(traitsOf(g.encoding).id, std::string(traitsOf(c.want).id)) << c.what;
        EXPECT_EQ(g.bomLength, 0u) << c.what;
        EXPECT_TRUE(g.detected) << c.what;
    }
    EXPECT_EQ(detectEncoding("\xF0\xA0\x80\x80", true).encoding, Encoding::Utf8); // four bytes: U+20000
    // Overlong, surrogate, beyond U+10FFFF, a lone continuation byte, a cut character: not UTF-8.
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "a\xE7\xAC"})
        EXPECT_EQ(detectEncoding(std::string("第一章") + bad, true).encoding, Encoding::Gb18030)
            << ::testing::PrintToString(bad);
}

TEST(EncodingDetect, MarksComeFirstAndOnlyTheSampleCounts) {
    const std::string body = encoded("GBK", kSimplified);
    EXPECT_EQ(detectEncoding("\xFF\xFE" + body, true).encoding, Encoding::Utf16Le);
    EXPECT_EQ(detectEncoding("\xFE\xFF" + body, true).encoding, Encoding::Utf16Be);
    EXPECT_EQ(detectEncoding("\xFE\xFF", true).bomLength, 2u);
    EXPECT_EQ(detectEncoding("\xEF\xBB\xBF" + body, true).bomLength, 3u);
    // Big5 past the first 64 KiB is never looked at.
    std::string head(kEncodingSample, 'a');
    head += encoded("Big5", kTraditional);
    EXPECT_EQ(detectEncoding(head, false).encoding, Encoding::Gb18030);
    // A Big5 character cut by the sample's end is no bad byte.
    std::string big5;
    while (big5.size() < kEncodingSample)
        big5 += encoded("Big5", kTraditional);
    EXPECT_EQ(detectEncoding(big5.substr(0, kEncodingSample - 1), false).encoding, Encoding::Big5);
    // Nor is a UTF-8 one, and GBK bytes after the sample are never looked at.
    const std::string utf8 = "第一章" + std::string(kEncodingSample - 10, 'a') + "\xE7\xAC\xAC\xB5\xDA";
    EXPECT_EQ(detectEncoding(utf8, false).encoding, Encoding::Utf8);
}

TEST(EncodingDetect, TheUsersChoiceWinsAndSkipsOnlyItsOwnMark) {
    const std::string gbk = encoded("GBK", kSimplified);
    for (const Encoding e : kAllEncodings) {
        const EncodingGuess g = chosenEncoding(gbk, e);
        EXPECT_EQ(g.encoding, e);
        EXPECT_FALSE(g.detected);
        EXPECT_EQ(g.bomLength, 0u);
    }
    EXPECT_EQ(chosenEncoding("\xFF\xFE\x2C\x7B", Encoding::Utf16Le).bomLength, 2u);
    EXPECT_EQ(chosenEncoding("\xFF\xFE\x2C\x7B", Encoding::Utf16Be).bomLength, 0u); // U+FFFE, text to it
    EXPECT_EQ(chosenEncoding("\xEF\xBB\xBF", Encoding::Utf8).bomLength, 3u);
    EXPECT_EQ(chosenEncoding("\xEF\xBB\xBF", Encoding::Gb18030).bomLength, 0u);
}

TEST(Decoder, EachLineAloneWithReplacementForBadBytes) {
    Decoder gb(Encoding::Gb18030);
    EXPECT_EQ(gb.decode("\xB5\xDA\xD2\xBB\xD5\xC2"), u"第一章");
    EXPECT_EQ(gb.decode("\x81\x30\x81\x30"), u"\u0080");     // four-byte codes, in the BMP and beyond:
    EXPECT_EQ(gb.decode("\x90\x30\x81\x30"), u"\U00010000"); // GB18030, not GBK
    EXPECT_EQ(gb.encode(U'\U00010000'), "\x90\x30\x81\x30");
    EXPECT_EQ(gb.decode("\xFF!"), u"\uFFFD!");
    EXPECT_EQ(gb.decode("\xB5\xDA\xB5"), u"第\uFFFD"); // a character cut by the line end...
    EXPECT_EQ(gb.decode("\xDA"), u"\uFFFD");           // ...does not reach into the next line
    Decoder u8(Encoding::Utf8);
    EXPECT_EQ(u8.decode("\xC3("), u"\uFFFD(");
    EXPECT_EQ(u8.decode("\xF0\xA0\x80\x80"), u"\U00020000");
    std::string many; // a long line of supplementary characters: the output grows as needed
    for (int i = 0; i < 10000; ++i)
        many += "\xF0\xA0\x80\x80";
    EXPECT_EQ(u8.decode(many).size(), 20000u);
}

TEST(EncodingDetect, ACharacterWithTwoBig5FormsIsNoNeedle) {
    // 十 is A451 and also A2CC in Big5: a search for one form would miss lines with the other.
    Decoder big5(Encoding::Big5);
    EXPECT_EQ(big5.decode("\xA4\x51"), u"十");
    EXPECT_EQ(big5.decode("\xA2\xCC"), u"十");
    EXPECT_EQ(big5.encode(U'十'), "");
    EXPECT_EQ(big5.encode(U'第'), "\xB2\xC4");
    EXPECT_EQ(Decoder(Encoding::Gb18030).encode(U'十'), "\xCA\xAE");
    EXPECT_EQ(Decoder(Encoding::Utf16Le).encode(U'第'), "\x2C\x7B");
}

// Short 8-bit texts (GB18030, UTF-8) with a few zero bytes in them, as files patched or cut
// by other tools have them, and mixed line ends: a zero byte before a line end or a space
// looks like a UTF-16 unit, but the rest of the text says otherwise. Each must keep its own
// encoding, whatever its length, odd or even.
TEST(EncodingDetect, AFewZeroBytesDoNotMakeAnEightBitTextUtf16) {
    int wrong = 0, total = 0;
    for (std::uint32_t seed = 1; seed <= 150; ++seed)
        for (const pwtest::NovelEncoding enc : {pwtest::NovelEncoding::Gb18030, pwtest::NovelEncoding::Utf8}) {
            std::string bytes = pwtest::makeNovel({.encoding = enc,
                                                   .lineEnds = pwtest::LineEnds::Mixed,
                                                   .seed = seed,
                                                   .chapters = 1 + static_cast<int>(seed % 2),
                                                   .paragraphs = 1 + static_cast<int>(seed % 3),
                                                   .paragraphChars = 20 + static_cast<int>(seed % 40)})
                                    .bytes;
            std::uint32_t r = seed * 2654435761u;
            for (int k = 0; k < 4 + static_cast<int>(seed % 9); ++k) { // a few zero bytes, at random places
                r = r * 1664525u + 1013904223u;
                bytes.insert(bytes.begin() + (r >> 8) % bytes.size(), '\0');
            }
            if (seed % 2) bytes.pop_back();
            ++total;
            const Encoding got = detectEncoding(bytes, true).encoding;
            if (got == Encoding::Utf16Le || got == Encoding::Utf16Be) {
                ++wrong;
                ADD_FAILURE() << pwtest::nameOf(enc) << " seed " << seed << " read as " << traitsOf(got).name;
            }
        }
    EXPECT_EQ(wrong, 0) << "of " << total;
}

// A UTF-32 mark starts with the UTF-16LE one: it is said to be UTF-32, which is not read,
// rather than read as UTF-16 full of zero characters.
TEST(EncodingDetect, AUtf32MarkIsToldApartFromUtf16) {
    const std::string le("\xFF\xFE\x00\x00\x2C\x7B\x00\x00", 8), be("\x00\x00\xFE\xFF\x00\x00\x7B\x2C", 8);
    for (const std::string& bytes : {le, be})
        EXPECT_TRUE(detectEncoding(bytes, true).utf32);
    // The UTF-16LE mark alone, before a character: UTF-16LE.
    EXPECT_FALSE(detectEncoding(std::string("\xFF\xFE\x2C\x7B", 4), true).utf32);
    // The scan refuses such a file by name, leaving the last results as they were.
    pwtest::ScratchDir dir;
    const auto path = dir / "u32.txt";
    pwtest::writeAll(path, le + std::string("\x0D\0\0\0\x0A\0\0\0", 8));
    WorkingState st;
    st.strInFile = fromPath(path);
    st.strFindStr = fromUtf8("第(.){1,10}章");
    pwtest::ScriptedUi ui;
    struct : ScanReceiver {
        void heading(const HeadingFound&) override {}
    } none;
    EXPECT_EQ(runScan(st, ui, none).outcome, ScanOutcome::Refused);
    std::string want = "输入文件是 UTF-32 编码，本程序不能读取：";
    want += path.string();
    want += "。请先把它转换为 UTF-8 或 UTF-16 再分析。";
    EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{want});
    EXPECT_FALSE(st.blnAnalyzed);
}
