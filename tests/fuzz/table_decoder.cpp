// Our GB18030 and Big5 decoders against ICU on any bytes: the same text and the same count of
// replacements, to UTF-16 and to UTF-8 cut into pieces of a size the input chooses.
#include <string>
#include <unicode/unistr.h>

#include "fuzz_input.h"
#include "platform/table_decoder.h"
#include "support/icu_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pwfuzz::FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    const std::string_view text = in.rest();
    const pw::Encoding e = flags & 1 ? pw::Encoding::Big5 : pw::Encoding::Gb18030;
    static pwtest::IcuReference gb(pw::Encoding::Gb18030), big5(pw::Encoding::Big5);
    std::int64_t icuReplaced = 0;
    const std::u16string want = (flags & 1 ? big5 : gb).decode(text, icuReplaced);
    const pw::TableDecoder& ours = *pw::TableDecoder::forEncoding(e);

    std::int64_t replaced = 0;
    std::u16string got(text.size(), u'\0');
    got.resize(ours.toUtf16(text, got.data(), replaced));
    PW_FUZZ_CHECK(got == want && replaced == icuReplaced);

    std::string want8;
    icu::UnicodeString(false, want.data(), static_cast<int32_t>(want.size())).toUTF8String(want8);
    const std::size_t room = pw::TableDecoder::kUtf8Room + (flags >> 1);
    std::string got8, piece(room, '\0');
    replaced = 0;
    for (std::size_t from = 0; from < text.size();) {
        const auto p = ours.toUtf8(text, from, piece.data(), room, replaced);
        PW_FUZZ_CHECK(p.read > from && p.written <= room);
        got8.append(piece.data(), p.written);
        from = p.read;
    }
    PW_FUZZ_CHECK(got8 == want8 && replaced == icuReplaced);
    return 0;
}
