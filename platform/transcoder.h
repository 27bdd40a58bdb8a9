#pragma once
// Turns raw bytes of one encoding into UTF-8, for output files that readers on phones and
// e-readers take as they are. Bytes that do not decode become U+FFFD and are counted, so
// that nothing is dropped without the user being told.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/encoding.h"

namespace pw {

class Utf8Transcoder {
public:
    explicit Utf8Transcoder(Encoding from);
    ~Utf8Transcoder();
    Utf8Transcoder(const Utf8Transcoder&) = delete;
    Utf8Transcoder& operator=(const Utf8Transcoder&) = delete;

    // Converts `bytes`, which end where a line does (a character cut there becomes U+FFFD),
    // handing the UTF-8 out in pieces of at most 64 KiB, so a long run needs no buffer of its
    // own size. Stops with false when `write` does.
    bool convert(std::string_view bytes, const std::function<bool(std::string_view)>& write);
    // Undecodable byte sequences met so far, each now one U+FFFD.
    std::int64_t replaced() const { return m_replaced; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::int64_t m_replaced = 0;
};

} // namespace pw
