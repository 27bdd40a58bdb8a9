// Our GB18030 and Big5 decoders against ICU on every sequence of one and two bytes, every
// four-byte code of GB18030, and the broken and cut ones around them: the same characters,
// the same replacements at the same places, to UTF-16 and to UTF-8 in pieces of any size.
#include <gtest/gtest.h>

#include <unicode/unistr.h>

#include "platform/table_decoder.h"
#include "support/icu_reference.h"

using namespace pw;

namespace {

std::string toUtf8(const std::u16string& s) {
    std::string out;
    icu::UnicodeString(false, s.data(), static_cast<int32_t>(s.size())).toUTF8String(out);
    return out;
}

std::string ourUtf8(const TableDecoder& d, std::string_view bytes, std::size_t room, std::int64_t& replaced) {
    std::string out, piece(room, '\0');
    for (std::size_t from = 0; from < bytes.size();) {
        const auto p = d.toUtf8(bytes, from, piece.data(), room, replaced);
        out.append(piece.data(), p.written);
        from = p.read;
    }
    return out;
}

// Compares one input, decoded as a whole; false (with the input named) on the first difference.
class Compare {
public:
    explicit Compare(Encoding e) : m_d(*TableDecoder::forEncoding(e)), m_icu(e) {}

    bool operator()(std::string_view bytes, std::size_t room = 64 * 1024) {
        std::int64_t icuReplaced = 0, ours16 = 0, ours8 = 0;
        const std::u16string want = m_icu.decode(bytes, icuReplaced);
        std::u16string got(bytes.size(), u'\0');
        got.resize(m_d.toUtf16(bytes, got.data(), ours16));
        const std::string got8 = ourUtf8(m_d, bytes, std::max(room, TableDecoder::kUtf8Room), ours8);
        if (got == want && ours16 == icuReplaced && got8 == toUtf8(want) && ours8 == icuReplaced) return true;
        std::string hex;
        for (unsigned char c : bytes.substr(0, 64)) {
            char b[4];
            std::snprintf(b, sizeof b, "%02X ", c);
            hex += b;
        }
        ADD_FAILURE() << "differs from ICU on " << hex << "(" << bytes.size() << " bytes): ICU replaced "
                      << icuReplaced << ", we " << ours16 << " / " << ours8;
        return false;
    }

private:
    const TableDecoder& m_d;
    pwtest::IcuReference m_icu;
};

std::string bytes(std::initializer_list<unsigned> b) {
    std::string s;
    for (unsigned c : b) s += static_cast<char>(c);
    return s;
}

// Whatever follows a sequence: nothing (cut at the end), ASCII, a lead alone, a whole character.
const char* const kAfter[] = {"", "A", "0", "\x81", "\xA1\xA1", "\xFF", "\x81\x30"};

} // namespace

TEST(TableDecoder, OnlyTheTableEncodingsHaveOne) {
    EXPECT_NE(TableDecoder::forEncoding(Encoding::Gb18030), nullptr);
    EXPECT_NE(TableDecoder::forEncoding(Encoding::Big5), nullptr);
    EXPECT_EQ(TableDecoder::forEncoding(Encoding::Utf8), nullptr);
    EXPECT_EQ(TableDecoder::forEncoding(Encoding::Utf16Le), nullptr);
}

TEST(TableDecoder, EveryOneAndTwoByteSequenceAsIcuDecodesIt) {
    for (const Encoding e : {Encoding::Gb18030, Encoding::Big5}) {
        SCOPED_TRACE(traitsOf(e).name);
        Compare same(e);
        for (unsigned a = 0; a < 256; ++a)
            for (const char* after : kAfter)
                ASSERT_TRUE(same(bytes({a}) + after));
        for (unsigned a = 0x80; a < 256; ++a)
            for (unsigned b = 0; b < 256; ++b)
                for (const char* after : kAfter)
                    ASSERT_TRUE(same(bytes({a, b}) + after));
    }
}

TEST(TableDecoder, EveryFourByteCodeOfGb18030AsIcuDecodesIt) {
    Compare same(Encoding::Gb18030);
    // Whole codes one after the other: each is read on its own, so a row of them at once
    // compares them all; small pieces of UTF-8 cut the row everywhere.
    for (unsigned a = 0x81; a <= 0xFE; ++a) {
        for (unsigned b = 0x30; b <= 0x39; ++b) {
            std::string row;
            for (unsigned c = 0x81; c <= 0xFE; ++c)
                for (unsigned d = 0x30; d <= 0x39; ++d)
                    row += bytes({a, b, c, d});
            ASSERT_TRUE(same(row, a == 0x81 && b == 0x30 ? TableDecoder::kUtf8Room : 4096));
        }
    }
}

TEST(TableDecoder, BrokenAndCutFourByteSequencesOfGb18030AsIcuDecodesThem) {
    Compare same(Encoding::Gb18030);
    for (unsigned a = 0x81; a <= 0xFF; ++a) {
        for (unsigned b = 0x30; b <= 0x39; ++b) {
            for (const char* after : kAfter) ASSERT_TRUE(same(bytes({a, b}) + after));
            // Every third byte, cut there or followed by a fourth that is no digit.
            for (unsigned c = 0; c < 256; ++c) {
                ASSERT_TRUE(same(bytes({a, b, c})));
                ASSERT_TRUE(same(bytes({a, b, c, 'A'})));
                ASSERT_TRUE(same(bytes({a, b, c, 0x81, 0x30})));
            }
            // Every fourth byte after a good third.
            for (unsigned c : {0x81u, 0xA0u, 0xFEu})
                for (unsigned d = 0; d < 256; ++d)
                    ASSERT_TRUE(same(bytes({a, b, c, d, 'B'})));
        }
    }
}
