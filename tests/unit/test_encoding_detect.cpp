// Deciding the encoding of short samples: GBK against Big5 prose (and traditional text in GBK,
// as real GBK novels often are), UTF-16 without a mark, text that is mostly ASCII; and a
// choice made by the user wins over all of it.
#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include "platform/encoding.h"

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
    ucnv_convertEx(to, from, &dst, dst + out.size(), &src, src + utf8.size(), nullptr, nullptr, nullptr, nullptr,
                   true, true, &status);
    ucnv_close(to);
    ucnv_close(from);
    EXPECT_TRUE(U_SUCCESS(status)) << converter << ": " << utf8;
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

const std::string kSimplified = "第一章　风起云涌\r\n　　天色渐渐暗了下来，他回到屋里坐下，说这一回没有什么好写的。\r\n";
const std::string kTraditional = "第一章　風起雲湧\r\n　　天色漸漸暗了下來，他回到屋裡坐下，說這一回沒有什麼好寫的。\r\n";
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
