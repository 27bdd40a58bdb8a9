// Encoding detection, and decoding in every encoding, of any bytes: control byte, then the text.
#include <string>

#include "fuzz_input.h"
#include "platform/encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const std::string_view text = in.rest();
    const bool whole = flags & 1;
    const pw::EncodingGuess guess = pw::detectEncoding(text, whole);
    PW_FUZZ_CHECK(guess.bomLength <= text.size());
    PW_FUZZ_CHECK(guess.bomLength == 0 || text.starts_with(pw::traitsOf(guess.encoding).bom));
    for (const pw::Encoding e : pw::kAllEncodings) {
        const pw::EncodingGuess chosen = pw::chosenEncoding(text, e);
        PW_FUZZ_CHECK(chosen.encoding == e && chosen.bomLength <= text.size());
        pw::Decoder decoder(e);
        const pw::Text all = decoder.decode(text);
        // No byte makes more than two UTF-16 units (a four-byte character makes two).
        PW_FUZZ_CHECK(all.size() <= 2 * text.size());
        // Decoding in two parts, as lines are, gives text of the same bound.
        const std::size_t cut = text.empty() ? 0 : flags % text.size();
        pw::Text parts = decoder.decode(text.substr(0, cut));
        decoder.decode(text.substr(cut), parts);
        PW_FUZZ_CHECK(parts.size() <= 2 * text.size() + 2);
    }
    return 0;
}
