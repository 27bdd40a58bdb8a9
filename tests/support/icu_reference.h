#pragma once
// ICU's own decoding, the reference our table decoders are held to: every sequence that does
// not decode becomes one U+FFFD, and each is counted, as the converters of the program do.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include "platform/encoding.h"

namespace pwtest {

class IcuReference {
public:
    explicit IcuReference(pw::Encoding e) {
        UErrorCode status = U_ZERO_ERROR;
        m_cnv = ucnv_open(pw::traitsOf(e).converter, &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
        ucnv_setToUCallBack(m_cnv, substitute, &m_replaced, nullptr, nullptr, &status);
    }
    ~IcuReference() { ucnv_close(m_cnv); }
    IcuReference(const IcuReference&) = delete;
    IcuReference& operator=(const IcuReference&) = delete;

    // The text of `bytes` as a whole input; `replaced` gets the sequences replaced.
    std::u16string decode(std::string_view bytes, std::int64_t& replaced) {
        ucnv_resetToUnicode(m_cnv);
        m_replaced = 0;
        std::u16string out(bytes.size() + 1, u'\0');
        const char* src = bytes.data();
        UChar* dst = reinterpret_cast<UChar*>(out.data());
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(m_cnv, &dst, dst + out.size(), &src, src + bytes.size(), nullptr, true, &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU failed to decode");
        out.resize(static_cast<std::size_t>(dst - reinterpret_cast<UChar*>(out.data())));
        replaced = m_replaced;
        return out;
    }

private:
    static void substitute(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* err) {
        if (reason > UCNV_IRREGULAR) return;
        ++*static_cast<std::int64_t*>(const_cast<void*>(context));
        static const UChar kReplacement = 0xFFFD;
        *err = U_ZERO_ERROR;
        ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, err);
    }

    UConverter* m_cnv = nullptr;
    std::int64_t m_replaced = 0;
};

} // namespace pwtest
