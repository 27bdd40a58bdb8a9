#include "platform/transcoder.h"

#include "platform/table_decoder.h"

#include <stdexcept>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <vector>

namespace pw {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

void countAndSubstitute(const void* context, UConverterToUnicodeArgs* args, const char* codeUnits, int32_t length,
                        UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR) return; // reset, close, clone: nothing to replace
    ++*static_cast<std::int64_t*>(const_cast<void*>(context));
    static const UChar kReplacement = 0xFFFD;
    *err = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, err);
    (void)codeUnits;
    (void)length;
}

} // namespace

struct Utf8Transcoder::Impl {
    const TableDecoder* table = nullptr; // ours, where the encoding has one; else ICU's converters
    UConverter* from = nullptr;
    UConverter* to = nullptr;
    std::vector<UChar> pivot = std::vector<UChar>(kPiece / 2);
    std::vector<char> out = std::vector<char>(kPiece);
    ~Impl() {
        if (from) ucnv_close(from);
        if (to) ucnv_close(to);
    }
};

Utf8Transcoder::Utf8Transcoder(Encoding from) : m_impl(std::make_unique<Impl>()) {
    m_impl->table = TableDecoder::forEncoding(from);
    if (m_impl->table) return;
    UErrorCode status = U_ZERO_ERROR;
    m_impl->from = ucnv_open(traitsOf(from).converter, &status);
    m_impl->to = ucnv_open("UTF-8", &status);
    if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
    ucnv_setToUCallBack(m_impl->from, countAndSubstitute, &m_replaced, nullptr, nullptr, &status);
}

Utf8Transcoder::~Utf8Transcoder() = default;

bool Utf8Transcoder::convert(std::string_view bytes, const std::function<bool(std::string_view)>& write) {
    Impl& m = *m_impl;
    if (m.table) {
        for (std::size_t from = 0; from < bytes.size();) {
            const auto p = m.table->toUtf8(bytes, from, m.out.data(), m.out.size(), m_replaced);
            if (p.written > 0 && !write(std::string_view(m.out.data(), p.written))) return false;
            from = p.read;
        }
        return true;
    }
    const char* src = bytes.data();
    const char* const srcEnd = src + bytes.size();
    UChar* pivotSource = m.pivot.data();
    UChar* pivotTarget = m.pivot.data();
    bool reset = true;
    for (;;) {
        char* dst = m.out.data();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_convertEx(m.to, m.from, &dst, dst + m.out.size(), &src, srcEnd, m.pivot.data(), &pivotSource,
                       &pivotTarget, m.pivot.data() + m.pivot.size(), reset, true, &status);
        reset = false;
        const std::size_t n = static_cast<std::size_t>(dst - m.out.data());
        if (n > 0 && !write(std::string_view(m.out.data(), n))) return false;
        if (status != U_BUFFER_OVERFLOW_ERROR) return U_SUCCESS(status);
    }
}

} // namespace pw
