// Deciding the encoding from the first bytes, decoding lines (U+FFFD for bad bytes), the
// bytes of one character, and blank lines. All test data is spelled out as bytes.
#include <gtest/gtest.h>

#include "platform/encoding.h"

using namespace pw;

namespace {

// 第一章 in GBK and in UTF-8.
const std::string kGbk = "\xB5\xDA\xD2\xBB\xD5\xC2";
const std::string kUtf8 = "\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0";
const Text kText = u"\u7B2C\u4E00\u7AE0";

} // namespace

TEST(Encoding, ByteOrderMarksAndTheUtf8Test) {
    const EncodingGuess bom = detectEncoding("\xEF\xBB\xBF!", true);
    EXPECT_EQ(bom.encoding, Encoding::Utf8);
    EXPECT_EQ(bom.bomLength, 3u);
    EXPECT_EQ(detectEncoding("\xFF\xFE!", true).encoding, Encoding::Utf16Le);
    EXPECT_EQ(detectEncoding("\xFE\xFF!", true).bomLength, 2u);

    EXPECT_EQ(detectEncoding(kUtf8, true).encoding, Encoding::Utf8);
    EXPECT_EQ(detectEncoding(kUtf8, true).bomLength, 0u);
    EXPECT_EQ(detectEncoding("\xF0\xA0\x80\x80", true).encoding, Encoding::Utf8); // four bytes: U+20000
    EXPECT_EQ(detectEncoding(kGbk, true).encoding, Encoding::Gb18030);
    EXPECT_EQ(detectEncoding("Chapter 1\r\n", true).encoding, Encoding::Gb18030); // ASCII proves nothing
    // Overlong, surrogate, beyond U+10FFFF, a lone continuation byte, a cut character: not UTF-8.
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "a\xE7\xAC"})
        EXPECT_EQ(detectEncoding(kUtf8 + bad, true).encoding, Encoding::Gb18030) << ::testing::PrintToString(bad);
    // Only the first 64 KiB count: a character cut by the sample's end is not held against
    // the file, and GBK bytes after the sample are never looked at.
    const std::string head = kUtf8 + std::string(kEncodingSample - kUtf8.size() - 1, 'a') + "\xE7\xAC\xAC" + kGbk;
    EXPECT_EQ(detectEncoding(head, false).encoding, Encoding::Utf8);
}

TEST(Encoding, DecodesEachLineAloneWithReplacementForBadBytes) {
    Decoder gb(Encoding::Gb18030);
    EXPECT_EQ(gb.decode(kGbk), kText);
    EXPECT_EQ(gb.decode("\x81\x30\x81\x30"), u"\u0080");     // four-byte codes, in the BMP and beyond:
    EXPECT_EQ(gb.decode("\x90\x30\x81\x30"), u"\U00010000"); // GB18030, not GBK
    EXPECT_EQ(gb.decode("\xFF!"), u"\uFFFD!");
    EXPECT_EQ(gb.decode("\xB5\xDA\xB5"), u"\u7B2C\uFFFD"); // a character cut by the line end...
    EXPECT_EQ(gb.decode("\xDA"), u"\uFFFD");               // ...does not reach into the next line

    Decoder u8(Encoding::Utf8);
    EXPECT_EQ(u8.decode(kUtf8), kText);
    EXPECT_EQ(u8.decode("\xC3("), u"\uFFFD(");
    EXPECT_EQ(u8.decode("\xF0\xA0\x80\x80"), u"\U00020000");
    std::string many; // a long line of supplementary characters: the output grows as needed
    for (int i = 0; i < 10000; ++i)
        many += "\xF0\xA0\x80\x80";
    EXPECT_EQ(u8.decode(many).size(), 20000u);
}

TEST(Encoding, BytesOfOneCharacterAndNames) {
    EXPECT_EQ(Decoder(Encoding::Gb18030).encode(U'\U00010000'), "\x90\x30\x81\x30");
    EXPECT_EQ(Decoder(Encoding::Utf8).encode(U'\u7B2C'), "\xE7\xAC\xAC");
    EXPECT_EQ(Decoder(Encoding::Utf8).encode(char32_t{0x110000}), ""); // no character
    EXPECT_EQ(std::string(encodingName(Encoding::Utf8)), "UTF-8");
    EXPECT_EQ(std::string(encodingName(Encoding::Gb18030)), "GB18030");
}

TEST(Encoding, BlankLinesHoldOnlySpacesOfTheirEncoding) {
    for (const char* blank : {"", " ", "\xA1\xA1", " \xA1\xA1 \xA1\xA1"})
        EXPECT_TRUE(traitsOf(Encoding::Gb18030).isBlank(blank)) << ::testing::PrintToString(blank);
    for (const char* text : {"\t", " a", "\xA1", "\xA1\xA1\xA1", "\xB0\xA1", "\xE3\x80\x80"})
        EXPECT_FALSE(traitsOf(Encoding::Gb18030).isBlank(text)) << ::testing::PrintToString(text);
    EXPECT_TRUE(traitsOf(Encoding::Utf8).isBlank(" \xE3\x80\x80 "));
    EXPECT_FALSE(traitsOf(Encoding::Utf8).isBlank("\xA1\xA1"));
    EXPECT_FALSE(traitsOf(Encoding::Utf8).isBlank("\xE3\x80"));
}
