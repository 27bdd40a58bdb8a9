#include "platform/encoding.h"

#include <stdexcept>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

namespace pw {

namespace {

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF.
// Sets `multi` when at least one multi-byte character was seen.
bool validUtf8(std::string_view s, bool whole, bool& multi) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        for (std::size_t k = 1; k < len; ++k) {
            if (i + k >= n) return !whole; // cut by the sample's end
            const unsigned char t = p[i + k];
            if (k == 1 ? (t < lo || t > hi) : (t < 0x80 || t > 0xBF)) return false;
        }
        multi = true;
        i += len;
    }
    return true;
}

} // namespace

EncodingGuess detectEncoding(std::string_view head, bool whole) {
    EncodingGuess g;
    if (head.size() >= 3 && head.substr(0, 3) == "\xEF\xBB\xBF") {
        g.encoding = Encoding::Utf8;
        g.bomLength = 3;
        return g;
    }
    if (head.size() >= 2 && (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF")) {
        g.utf16 = true;
        return g;
    }
    bool multi = false;
    if (validUtf8(head.substr(0, kEncodingSample), whole && head.size() <= kEncodingSample, multi) && multi)
        g.encoding = Encoding::Utf8;
    return g;
}

namespace {

constexpr EncodingTraits kGb18030{Encoding::Gb18030, "GB18030", "GB18030", 1, "\r", "\n", "\r\n", " ", "\xA1\xA1"};
constexpr EncodingTraits kUtf8{Encoding::Utf8, "UTF-8", "UTF-8", 1, "\r", "\n", "\r\n", " ", "\xE3\x80\x80"};

} // namespace

const EncodingTraits& traitsOf(Encoding e) {
    switch (e) {
    case Encoding::Gb18030:
        return kGb18030;
    case Encoding::Utf8:
        return kUtf8;
    }
    return kGb18030;
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
};

Decoder::Decoder(Encoding e) : m_impl(std::make_unique<Impl>()) {
    m_impl->traits = &traitsOf(e);
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

std::string Decoder::encode(char32_t c) {
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
