#include "platform/encoding.h"

#include "platform/table_decoder.h"

#include <algorithm>
#include <stdexcept>
#include <unicode/ucnv.h>
#include <vector>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

namespace pw {

namespace {

using namespace std::string_view_literals;

constexpr EncodingTraits kGb18030{
    Encoding::Gb18030, "GB18030", "gb18030", "GB18030", 1, "\r", "\n", "\r\n", " ", "\xA1\xA1", ""};
constexpr EncodingTraits kUtf8{
    Encoding::Utf8, "UTF-8", "utf-8", "UTF-8", 1, "\r", "\n", "\r\n", " ", "\xE3\x80\x80", "\xEF\xBB\xBF"};
constexpr EncodingTraits kUtf16Le{Encoding::Utf16Le,
                                  "UTF-16LE",
                                  "utf-16le",
                                  "UTF-16LE",
                                  2,
                                  "\x0D\x00"sv,
                                  "\x0A\x00"sv,
                                  "\x0D\x00\x0A\x00"sv,
                                  "\x20\x00"sv,
                                  "\x00\x30"sv,
                                  "\xFF\xFE"};
constexpr EncodingTraits kUtf16Be{Encoding::Utf16Be,
                                  "UTF-16BE",
                                  "utf-16be",
                                  "UTF-16BE",
                                  2,
                                  "\x00\x0D"sv,
                                  "\x00\x0A"sv,
                                  "\x00\x0D\x00\x0A"sv,
                                  "\x00\x20"sv,
                                  "\x30\x00"sv,
                                  "\xFE\xFF"};
// Big5 as Windows writes it (code page 950). Its second bytes are never below 0x40, so CR and
// LF are never part of a character, as in GB18030.
constexpr EncodingTraits kBig5{Encoding::Big5, "Big5", "big5", "Big5", 1, "\r", "\n", "\r\n", " ", "\xA1\x40", ""};

} // namespace

const EncodingTraits& traitsOf(Encoding e) {
    switch (e) {
    case Encoding::Gb18030:
        return kGb18030;
    case Encoding::Utf8:
        return kUtf8;
    case Encoding::Utf16Le:
        return kUtf16Le;
    case Encoding::Utf16Be:
        return kUtf16Be;
    case Encoding::Big5:
        return kBig5;
    }
    return kGb18030;
}

std::optional<Encoding> encodingById(std::string_view id) {
    for (const Encoding e : kAllEncodings)
        if (id == traitsOf(e).id) return e;
    return std::nullopt;
}

bool EncodingTraits::isBlank(std::string_view line) const {
    // Whole units only: in a wider encoding a space's bytes at an odd offset are no space.
    while (!line.empty()) {
        if (line.starts_with(space))
            line.remove_prefix(space.size());
        else if (line.starts_with(ideographicSpace))
            line.remove_prefix(ideographicSpace.size());
        else
            return false;
    }
    return true;
}

struct Decoder::Impl {
    UConverter* cnv = nullptr;
    const EncodingTraits* traits = nullptr;
    const TableDecoder* table = nullptr; // ours, where the encoding has one: ICU's answers, faster
};

Decoder::Decoder(Encoding e) : m_impl(std::make_unique<Impl>()) {
    m_impl->traits = &traitsOf(e);
    m_impl->table = TableDecoder::forEncoding(e);
    UErrorCode status = U_ZERO_ERROR;
    m_impl->cnv = ucnv_open(m_impl->traits->converter, &status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
    // Undecodable bytes become U+FFFD, and unassigned ones too, whatever the table's default.
    static const UChar kSub[] = {0xFFFD};
    status = U_ZERO_ERROR;
    ucnv_setSubstString(m_impl->cnv, kSub, 1, &status);
    status = U_ZERO_ERROR;
    ucnv_setToUCallBack(m_impl->cnv, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
}

Decoder::~Decoder() {
    if (m_impl && m_impl->cnv) ucnv_close(m_impl->cnv);
}

void Decoder::decode(std::string_view bytes, Text& out) {
    if (m_impl->table) {
        std::int64_t replaced = 0;
        out.resize(bytes.size());
        out.resize(m_impl->table->toUtf16(bytes, out.data(), replaced));
        return;
    }
    // Each line stands alone: a multi-byte character cut by a line end does not reach into the next line.
    ucnv_resetToUnicode(m_impl->cnv);
    out.resize(bytes.size() + 1);
    const char* src = bytes.data();
    const char* srcEnd = src + bytes.size();
    UChar* dst = reinterpret_cast<UChar*>(out.data());
    UChar* dstEnd = dst + out.size();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(m_impl->cnv, &dst, dstEnd, &src, srcEnd, nullptr, true, &status);
    // One byte never gives more than two UTF-16 units, and the rare overflow is retried.
    while (status == U_BUFFER_OVERFLOW_ERROR) {
        const std::size_t done = static_cast<std::size_t>(dst - reinterpret_cast<UChar*>(out.data()));
        out.resize(out.size() * 2 + 8);
        dst = reinterpret_cast<UChar*>(out.data()) + done;
        dstEnd = reinterpret_cast<UChar*>(out.data()) + out.size();
        status = U_ZERO_ERROR;
        ucnv_toUnicode(m_impl->cnv, &dst, dstEnd, &src, srcEnd, nullptr, true, &status);
    }
    out.resize(static_cast<std::size_t>(dst - reinterpret_cast<UChar*>(out.data())));
}

namespace {

// The characters that more than one sequence of one or two bytes decodes to, sorted. Only
// table encodings can have them; GB18030's four-byte codes are computed, one to a character.
std::vector<char32_t> charsWithSeveralForms(const char* converter) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(converter, &status);
    if (U_FAILURE(status)) return {};
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::vector<char32_t> all;
    const auto add = [&](const char* bytes, int32_t n) {
        UChar units[4];
        UErrorCode st = U_ZERO_ERROR;
        ucnv_resetToUnicode(cnv);
        const int32_t len = ucnv_toUChars(cnv, units, 4, bytes, n, &st);
        if (U_FAILURE(st) || len < 1 || len > 2) return;
        UChar32 c = units[0];
        if (len == 2) {
            if (!U16_IS_SURROGATE_LEAD(units[0]) || !U16_IS_TRAIL(units[1])) return; // two characters
            c = U16_GET_SUPPLEMENTARY(units[0], units[1]);
        }
        all.push_back(static_cast<char32_t>(c));
    };
    for (int a = 0; a < 256; ++a) {
        const char one[] = {static_cast<char>(a)};
        add(one, 1);
        if (a < 0x81) continue;
        for (int b = 0x30; b < 256; ++b) {
            const char two[] = {static_cast<char>(a), static_cast<char>(b)};
            add(two, 2);
        }
    }
    ucnv_close(cnv);
    std::sort(all.begin(), all.end());
    std::vector<char32_t> several;
    for (std::size_t i = 1; i < all.size(); ++i)
        if (all[i] == all[i - 1] && (several.empty() || several.back() != all[i])) several.push_back(all[i]);
    return several;
}

bool hasSeveralForms(Encoding e, char32_t c) {
    static const std::vector<char32_t> gb = charsWithSeveralForms(traitsOf(Encoding::Gb18030).converter);
    static const std::vector<char32_t> big5 = charsWithSeveralForms(traitsOf(Encoding::Big5).converter);
    switch (e) {
    case Encoding::Gb18030:
        return std::binary_search(gb.begin(), gb.end(), c);
    case Encoding::Big5:
        return std::binary_search(big5.begin(), big5.end(), c);
    default:
        return false; // a Unicode form has one sequence for each character
    }
}

} // namespace

std::string Decoder::encode(char32_t c) {
    if (hasSeveralForms(m_impl->traits->encoding, c)) return {};
    UChar units[2];
    int32_t n = 0;
    UBool err = false;
    U16_APPEND(units, n, 2, static_cast<UChar32>(c), err);
    if (err) return {};
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(m_impl->traits->converter, &status);
    if (U_FAILURE(status)) return {};
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    char buf[16];
    status = U_ZERO_ERROR;
    const int32_t len = ucnv_fromUChars(cnv, buf, sizeof buf, units, n, &status);
    ucnv_close(cnv);
    if (U_FAILURE(status)) return {};
    return std::string(buf, static_cast<std::size_t>(len));
}

} // namespace pw
