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

enum class Encoding { Gb18030, Utf8, Utf16Le, Utf16Be, Big5 };

constexpr Encoding kAllEncodings[] = {Encoding::Gb18030, Encoding::Utf8, Encoding::Utf16Le, Encoding::Utf16Be,
                                      Encoding::Big5};

constexpr std::size_t kEncodingSample = 64 * 1024;

struct EncodingGuess {
    Encoding encoding = Encoding::Gb18030;
    std::size_t bomLength = 0; // bytes of the encoding's byte-order mark at the start of line 1
    bool detected = true;      // false when the user named the encoding
    // The file starts with a UTF-32 byte-order mark (FF FE 00 00 or 00 00 FE FF): an encoding
    // this program does not read, and whose mark would otherwise pass for UTF-16LE's.
    bool utf32 = false;
};

// `head` is the first bytes of the file (up to kEncodingSample); `whole` says whether
// it is all of the file, so that a character cut at the sample's end is not held against it.
// In this order: a byte-order mark; UTF-8 that holds a character of more than one byte;
// UTF-16 of either order, told by its line ends, spaces and punctuation; Big5 when it reads
// clearly better than GB18030; else GB18030 (a Big5 guess on a GBK file garbles far more than
// the reverse, so doubt goes to GB18030).
EncodingGuess detectEncoding(std::string_view head, bool whole);
// The user's choice: `e` whatever the bytes say; its own byte-order mark is still skipped.
EncodingGuess chosenEncoding(std::string_view head, Encoding e);

// Everything the program knows about an encoding, in one value: the decoder, the line
// reader, the split writer and its fast path all ask it rather than assuming bytes of their
// own. A new encoding is a new row in the table (encoding.cpp), plus, for code units wider
// than a byte, the aligned search in the line reader.
struct EncodingTraits {
    Encoding encoding;
    const char* name;      // shown to people ("GB18030", "UTF-16LE")
    const char* id;        // what scripts read and the command line takes ("gb18030", "utf-16le")
    const char* converter; // the ICU converter
    std::size_t unitWidth; // bytes per code unit: 1, or 2 for UTF-16
    // The bytes of CR, LF, CR LF, the space and the ideographic space U+3000; for a 2-byte
    // little-endian unit CR is "\x0D\x00".
    std::string_view cr, lf, crlf, space, ideographicSpace;
    std::string_view bom; // the byte-order mark; empty for encodings without one

    // A line (without its terminator) is blank when it holds only spaces and ideographic
    // spaces, or nothing.
    bool isBlank(std::string_view line) const;
};

const EncodingTraits& traitsOf(Encoding e);

// The name shown to people ("GB18030", "UTF-8").
inline const char* encodingName(Encoding e) {
    return traitsOf(e).name;
}
// The encoding a script names by its id ("big5"); none for any other word.
std::optional<Encoding> encodingById(std::string_view id);

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
    // The bytes of one character in this encoding (for a byte prefilter); empty if it has
    // none, or more than one form (Big5 writes 十 two ways): a search for one form would miss the other.
    std::string encode(char32_t c);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pw
