#pragma once
// The input's encoding is decided once per file, from its first bytes. Decoding serves
// matching and display only: the raw bytes are what the writer copies, so a byte that
// does not decode (shown as U+FFFD) is never lost.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace pw {

enum class Encoding { Gb18030, Utf8 };

constexpr std::size_t kEncodingSample = 64 * 1024;

struct EncodingGuess {
    Encoding encoding = Encoding::Gb18030;
    std::size_t bomLength = 0; // bytes of a UTF-8 byte-order mark at the start of line 1
    bool utf16 = false;        // a UTF-16 byte-order mark: refused for now
};

// `head` is the first bytes of the file (up to kEncodingSample); `whole` says whether
// it is all of the file, so that a character cut at the sample's end is not held against it.
EncodingGuess detectEncoding(std::string_view head, bool whole);

// Everything the program knows about an encoding, in one value: the decoder, the line
// reader, the split writer and its fast path all ask it rather than assuming bytes of their
// own. A new encoding is a new row in the table (encoding.cpp), plus, for code units wider
// than a byte, the aligned search in the line reader.
struct EncodingTraits {
    Encoding encoding;
    const char* name;      // shown to people and scripts ("GB18030", "UTF-8")
    const char* converter; // the ICU converter
    std::size_t unitWidth; // bytes per code unit: 1, or 2 for UTF-16
    // The bytes of CR, LF, CR LF, the space and the ideographic space U+3000; for a 2-byte
    // little-endian unit CR would be "\x0D\x00".
    std::string_view cr, lf, crlf, space, ideographicSpace;

    // A line (without its terminator) is blank when it holds only spaces and ideographic
    // spaces, or nothing.
    bool isBlank(std::string_view line) const;
};

const EncodingTraits& traitsOf(Encoding e);

// The name shown to people and scripts ("GB18030", "UTF-8").
inline const char* encodingName(Encoding e) {
    return traitsOf(e).name;
}

// Decodes raw line bytes to UTF-16 with ICU; bytes that do not decode become U+FFFD.
class Decoder {
public:
    explicit Decoder(Encoding e);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    void decode(std::string_view bytes, Text& out);
    Text decode(std::string_view bytes) {
        Text t;
        decode(bytes, t);
        return t;
    }
    // The bytes of one character in this encoding (for a byte prefilter); empty if it has none.
    std::string encode(char32_t c);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pw
