#pragma once
// Our own decoders for the two table encodings, GB18030 and Big5: a lookup per character
// instead of ICU's general converter, which is what most of a conversion's time went to.
// The tables are filled from ICU once, at first use, so both always agree on what each
// sequence means; a sequence that does not decode becomes one U+FFFD at exactly the place
// and over exactly the bytes ICU would replace (tests compare the two on every sequence).
#include <cstdint>
#include <string_view>

#include "platform/encoding.h"

namespace pw {

class TableDecoder {
public:
    // The decoder for `e`, built on first use and shared; null for the encodings ICU already
    // decodes without tables (UTF-8, UTF-16).
    static const TableDecoder* forEncoding(Encoding e);

    // Decodes all of `bytes` (a character cut at the end is one U+FFFD) into `out`, which has
    // room for bytes.size() units: no byte makes more than one unit (a four-byte character
    // makes two). Returns the units written; adds the replaced sequences to `replaced`.
    std::size_t toUtf16(std::string_view bytes, char16_t* out, std::int64_t& replaced) const;

    struct Progress {
        std::size_t read;    // input bytes consumed: always whole characters
        std::size_t written; // UTF-8 bytes written
    };
    // Decodes `bytes` from `from` on into UTF-8 at `out`, as far as `room` bytes hold (at least
    // kUtf8Room, else nothing moves); the end of `bytes` is the end of the input.
    static constexpr std::size_t kUtf8Room = 8;
    Progress toUtf8(std::string_view bytes, std::size_t from, char* out, std::size_t room,
                    std::int64_t& replaced) const;

    struct Tables;
    explicit TableDecoder(const Tables& t) : m_t(t) {}

private:
    const Tables& m_t;
};

} // namespace pw
