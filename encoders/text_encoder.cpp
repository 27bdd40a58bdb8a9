#include "encoders/text_encoder.h"

#include <stdexcept>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include "platform/text.h"

namespace pw {

namespace {

struct Substitute {
    std::string bytes;          // the mark in the target's bytes
    std::int64_t* count = nullptr;
};

void countAndMark(const void* context, UConverterFromUnicodeArgs* args, const UChar*, int32_t, UChar32,
                  UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR) return; // reset, close, clone: nothing to replace
    const auto* s = static_cast<const Substitute*>(context);
    ++*s->count;
    *err = U_ZERO_ERROR;
    ucnv_cbFromUWriteBytes(args, s->bytes.data(), static_cast<int32_t>(s->bytes.size()), 0, err);
}

} // namespace

struct TextEncoder::Impl {
    UConverter* conv = nullptr;
    Substitute substitute;
    std::u16string units;
    ~Impl() {
        if (conv) ucnv_close(conv);
    }
};

TextEncoder::TextEncoder(Encoding target) : m_target(target) {
    if (target == Encoding::Utf8) return;
    m_impl = std::make_unique<Impl>();
    UErrorCode status = U_ZERO_ERROR;
    m_impl->conv = ucnv_open(traitsOf(target).converter, &status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
    // The mark itself in the target's bytes: 〓, the mark Chinese typesetting uses for a
    // missing character; Big5 lacks it, so there □, which old texts use for the same.
    ucnv_setFromUCallBack(m_impl->conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (const char16_t mark : {u'\u3013', u'\u25A1', u'?'}) {
        char buf[16];
        status = U_ZERO_ERROR;
        const auto unit = static_cast<UChar>(mark);
        const int32_t n = ucnv_fromUChars(m_impl->conv, buf, sizeof buf, &unit, 1, &status);
        if (U_SUCCESS(status) && n > 0) {
            m_impl->substitute.bytes.assign(buf, static_cast<std::size_t>(n));
            m_mark = toUtf8(std::u16string_view(&mark, 1));
            break;
        }
    }
    m_impl->substitute.count = &m_unmappable;
    status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(m_impl->conv, countAndMark, &m_impl->substitute, nullptr, nullptr, &status);
    ucnv_reset(m_impl->conv);
}

TextEncoder::~TextEncoder() = default;

void TextEncoder::encode(std::string_view utf8, std::string& out) {
    if (!m_impl) {
        out.append(utf8);
        return;
    }
    Impl& m = *m_impl;
    // UTF-8 to UTF-16 first: the text is well-formed (decoded or made by a stage), and ICU's
    // converters take UTF-16.
    UErrorCode status = U_ZERO_ERROR;
    int32_t units = 0;
    m.units.resize(utf8.size() + 1);
    u_strFromUTF8WithSub(m.units.data(), static_cast<int32_t>(m.units.size()), &units, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return;
    const UChar* src = m.units.data();
    const UChar* const srcEnd = src + units;
    const std::size_t before = out.size();
    // Each UTF-16 unit makes at most 4 bytes in any of these encodings; the mark at most as many.
    const std::size_t room = static_cast<std::size_t>(units) * (4 + m.substitute.bytes.size()) + 4;
    out.resize(before + room);
    char* dst = out.data() + before;
    char* const dstEnd = out.data() + out.size();
    status = U_ZERO_ERROR;
    ucnv_fromUnicode(m.conv, &dst, dstEnd, &src, srcEnd, nullptr, true, &status);
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

} // namespace pw
