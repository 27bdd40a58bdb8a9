#include "platform/table_decoder.h"

#include <array>
#include <bit>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/utf16.h>
#include <vector>

namespace pw {

namespace {

// Entries above every code point say what a byte or sequence is instead.
constexpr std::uint32_t kErrorFirst = 0x200000; // not a character: its first byte is replaced, the rest read again
constexpr std::uint32_t kErrorAll = 0x200001;   // not a character: all its bytes are one replacement
constexpr std::uint32_t kLead = 0x200002;       // a byte that starts a longer sequence
constexpr std::uint32_t kFour = 0x200003;       // GB18030: a lead and a digit start a four-byte sequence

// GB18030's four-byte codes count up from 81 30 81 30; the first 39,420 are the rest of the
// BMP (a table), those from 90 30 81 30 on are U+10000 and above, one after the other.
constexpr std::uint32_t kFourBmp = 39420;
constexpr std::uint32_t kFourSupplementary = 189000;

// A character's UTF-8, up to three bytes, with its length in the last byte of the four, so
// that one copy of four bytes writes it.
constexpr int kLengthByte = 3;

std::uint32_t packUtf8(std::uint32_t cp) {
    unsigned char b[4] = {};
    if (cp < 0x80) {
        b[0] = static_cast<unsigned char>(cp);
        b[kLengthByte] = 1;
    } else if (cp < 0x800) {
        b[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        b[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        b[kLengthByte] = 2;
    } else if (cp < 0x10000 && (cp < 0xD800 || cp > 0xDFFF)) {
        b[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        b[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        b[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        b[kLengthByte] = 3;
    } else {
        return 0; // four bytes, or a lone surrogate: written the long way
    }
    std::uint32_t packed;
    std::memcpy(&packed, b, 4);
    return packed;
}

inline unsigned packedLength(std::uint32_t packed) {
    unsigned char b[4];
    std::memcpy(b, &packed, 4);
    return b[kLengthByte];
}

inline char* putUtf8(char* o, std::uint32_t cp) {
    if (cp < 0x80) {
        *o++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *o++ = static_cast<char>(0xC0 | (cp >> 6));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *o++ = static_cast<char>(0xE0 | (cp >> 12));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *o++ = static_cast<char>(0xF0 | (cp >> 18));
        *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return o;
}

inline char16_t* putUtf16(char16_t* o, std::uint32_t cp) {
    if (cp < 0x10000) {
        *o++ = static_cast<char16_t>(cp);
    } else {
        *o++ = static_cast<char16_t>(U16_LEAD(cp));
        *o++ = static_cast<char16_t>(U16_TRAIL(cp));
    }
    return o;
}

// What ICU makes of a few bytes: the code points it writes and the length of the first
// sequence it could not decode (0 when none).
struct Probe {
    std::vector<std::uint32_t> chars;
    int errors = 0;
    int firstErrorLength = 0;
    bool pending = false; // bytes held for a sequence that has not ended
};

void recordError(const void* context, UConverterToUnicodeArgs*, const char*, int32_t length,
                 UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR) return;
    auto* p = static_cast<Probe*>(const_cast<void*>(context));
    if (p->errors++ == 0) p->firstErrorLength = length;
    *err = U_ZERO_ERROR;
}

class Prober {
public:
    explicit Prober(const char* converter) {
        UErrorCode status = U_ZERO_ERROR;
        m_cnv = ucnv_open(converter, &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
        ucnv_setToUCallBack(m_cnv, recordError, &m_probe, nullptr, nullptr, &status);
        m_bulk = ucnv_open(converter, &status);
        if (U_FAILURE(status)) throw std::runtime_error("ICU converter unavailable");
        ucnv_setToUCallBack(m_bulk, markError, &m_errorLengths, nullptr, nullptr, &status);
    }
    ~Prober() {
        ucnv_close(m_cnv);
        ucnv_close(m_bulk);
    }
    Prober(const Prober&) = delete;
    Prober& operator=(const Prober&) = delete;

    // One sequence on its own.
    const Probe& run(const unsigned char* bytes, std::size_t n, bool flush) {
        m_probe = Probe{};
        ucnv_resetToUnicode(m_cnv);
        UChar units[16];
        UChar* dst = units;
        const char* src = reinterpret_cast<const char*>(bytes);
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(m_cnv, &dst, units + 16, &src, src + n, nullptr, flush, &status);
        for (std::int32_t i = 0, len = static_cast<std::int32_t>(dst - units); i < len;) {
            UChar32 c;
            U16_NEXT(units, i, len, c);
            m_probe.chars.push_back(static_cast<std::uint32_t>(c));
        }
        status = U_ZERO_ERROR;
        m_probe.pending = ucnv_toUCountPending(m_cnv, &status) > 0;
        return m_probe;
    }

    // Many sequences in one call, which is what makes the tables quick to fill: for each
    // input offset where something starts, the character there, or kErrorLength plus the
    // length of a sequence that did not decode.
    static constexpr std::uint32_t kErrorLength = 0x300000;
    const std::vector<std::uint32_t>& bulk(const std::string& bytes) {
        m_errorLengths.clear();
        m_units.resize(bytes.size() * 2 + 16);
        m_offsets.resize(m_units.size());
        ucnv_resetToUnicode(m_bulk);
        UChar* dst = m_units.data();
        const char* src = bytes.data();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(m_bulk, &dst, dst + m_units.size(), &src, src + bytes.size(), m_offsets.data(), true,
                       &status);
        m_at.assign(bytes.size() + 1, kNothing);
        std::size_t error = 0;
        const auto len = static_cast<std::int32_t>(dst - m_units.data());
        for (std::int32_t i = 0; i < len;) {
            const std::int32_t offset = m_offsets[static_cast<std::size_t>(i)];
            std::uint32_t value;
            if (m_units[static_cast<std::size_t>(i)] == kMark) {
                value = kErrorLength + (error < m_errorLengths.size() ? m_errorLengths[error++] : 0);
                ++i;
            } else {
                UChar32 c;
                U16_NEXT(m_units.data(), i, len, c);
                value = static_cast<std::uint32_t>(c);
            }
            if (offset >= 0 && static_cast<std::size_t>(offset) < bytes.size())
                m_at[static_cast<std::size_t>(offset)] = m_at[static_cast<std::size_t>(offset)] == kNothing ? value : kMany;
        }
        return m_at;
    }
    static constexpr std::uint32_t kNothing = 0xFFFFFFFF;
    static constexpr std::uint32_t kMany = 0xFFFFFFFE; // more than one thing began there: looked at alone

private:
    // A lone trail surrogate, which no decoded text holds, marks where a sequence failed.
    static constexpr UChar kMark = 0xDC00;
    static void markError(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t length,
                          UConverterCallbackReason reason, UErrorCode* err) {
        if (reason > UCNV_IRREGULAR) return;
        static_cast<std::vector<std::int32_t>*>(const_cast<void*>(context))->push_back(length);
        *err = U_ZERO_ERROR;
        ucnv_cbToUWriteUChars(args, &kMark, 1, 0, err);
    }

    UConverter* m_cnv = nullptr;
    UConverter* m_bulk = nullptr;
    Probe m_probe;
    std::vector<std::int32_t> m_errorLengths;
    std::vector<UChar> m_units;
    std::vector<std::int32_t> m_offsets;
    std::vector<std::uint32_t> m_at;
};

} // namespace

struct TableDecoder::Tables {
    bool gb18030 = false;
    std::array<std::uint32_t, 256> single{};
    std::vector<std::uint32_t> pair = std::vector<std::uint32_t>(256 * 256, kErrorFirst); // [lead << 8 | trail]
    std::vector<std::uint32_t> pair8 = std::vector<std::uint32_t>(256 * 256, 0); // packed UTF-8, 0 when none
    std::vector<std::uint32_t> four;                                              // GB18030's BMP part

    explicit Tables(Encoding e) : gb18030(e == Encoding::Gb18030) {
        Prober icu(traitsOf(e).converter);
        for (unsigned b = 0; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            const Probe& p = icu.run(&byte, 1, false);
            single[b] = p.pending ? kLead : p.errors || p.chars.size() != 1 ? kErrorAll : p.chars[0];
            // The decoding loops copy ASCII as it is.
            if (b < 0x80 && single[b] != b) throw std::logic_error("a table encoding that is no ASCII superset");
        }
        // Each lead with every trail, a line feed after each pair: whatever the pair is, the
        // line feed is read on its own, so one call answers for a whole row.
        std::string row;
        for (unsigned lead = 0; lead < 256; ++lead) {
            if (single[lead] != kLead) continue;
            row.clear();
            for (unsigned trail = 0; trail < 256; ++trail) {
                row += static_cast<char>(lead);
                row += static_cast<char>(trail);
                row += '\n';
            }
            const std::vector<std::uint32_t>& at = icu.bulk(row);
            for (unsigned trail = 0; trail < 256; ++trail) {
                std::uint32_t& entry = pair[lead << 8 | trail];
                if (gb18030 && trail >= 0x30 && trail <= 0x39) {
                    entry = kFour;
                    continue;
                }
                const std::size_t base = 3 * trail;
                const std::uint32_t first = at[base], second = at[base + 1];
                if (at[base + 2] != '\n' || first == Prober::kNothing || first == Prober::kMany)
                    entry = pairAlone(icu, lead, trail);
                else if (first == Prober::kErrorLength + 1)
                    entry = kErrorFirst; // the trail byte is read again on its own
                else if (second != Prober::kNothing)
                    entry = pairAlone(icu, lead, trail);
                else if (first == Prober::kErrorLength + 2)
                    entry = kErrorAll;
                else if (first < 0x110000)
                    entry = first;
                else
                    entry = pairAlone(icu, lead, trail);
                if (entry < 0x110000) pair8[lead << 8 | trail] = packUtf8(entry);
            }
        }
        if (!gb18030) return;
        // Whole four-byte codes are each read on their own: all of them in one call.
        four.resize(kFourBmp);
        std::string codes;
        for (std::uint32_t linear = 0; linear < kFourBmp; ++linear) {
            const unsigned char b[4] = {static_cast<unsigned char>(0x81 + linear / 12600),
                                        static_cast<unsigned char>(0x30 + linear / 1260 % 10),
                                        static_cast<unsigned char>(0x81 + linear / 10 % 126),
                                        static_cast<unsigned char>(0x30 + linear % 10)};
            codes.append(reinterpret_cast<const char*>(b), 4);
        }
        const std::vector<std::uint32_t>& at = icu.bulk(codes);
        for (std::uint32_t linear = 0; linear < kFourBmp; ++linear) {
            const std::size_t base = 4 * linear;
            const std::uint32_t c = at[base];
            const bool alone = at[base + 1] == Prober::kNothing && at[base + 2] == Prober::kNothing &&
                               at[base + 3] == Prober::kNothing;
            if (alone && c < 0x110000) {
                four[linear] = c;
            } else if (alone && c == Prober::kErrorLength + 4) {
                four[linear] = kErrorAll;
            } else {
                const Probe& p = icu.run(reinterpret_cast<const unsigned char*>(codes.data() + base), 4, true);
                four[linear] = p.errors == 0 && p.chars.size() == 1 ? p.chars[0] : kErrorAll;
            }
        }
    }

    static std::uint32_t pairAlone(Prober& icu, unsigned lead, unsigned trail) {
        const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
        const Probe& p = icu.run(bytes, 2, true);
        if (p.errors == 0 && p.chars.size() == 1) return p.chars[0];
        if (p.errors == 1 && p.firstErrorLength == 2 && p.chars.empty()) return kErrorAll;
        return kErrorFirst;
    }

    // The character of the sequence at s[i], which starts with a lead byte and a digit, or
    // how it fails; `len` is the bytes it takes.
    std::uint32_t fourByte(const unsigned char* s, std::size_t i, std::size_t n, std::size_t& len) const {
        // A sequence cut by the end of the input is one replacement, however far it got.
        if (i + 2 >= n) {
            len = n - i;
            return kErrorAll;
        }
        const unsigned b3 = s[i + 2];
        if (b3 < 0x81 || b3 > 0xFE) {
            len = 1; // the digit and what follows are read again
            return kErrorAll;
        }
        if (i + 3 >= n) {
            len = n - i;
            return kErrorAll;
        }
        const unsigned b4 = s[i + 3];
        if (b4 < 0x30 || b4 > 0x39) {
            len = 1;
            return kErrorAll;
        }
        len = 4;
        const std::uint32_t linear = ((s[i] - 0x81u) * 10 + (s[i + 1] - 0x30u)) * 1260 + (b3 - 0x81) * 10 + (b4 - 0x30);
        if (linear < kFourBmp) return four[linear];
        if (linear >= kFourSupplementary && linear - kFourSupplementary < 0x100000)
            return 0x10000 + (linear - kFourSupplementary);
        return kErrorAll;
    }

    // The character at s[i] (whose first byte is no ASCII), or an error entry, and its length.
    std::uint32_t next(const unsigned char* s, std::size_t i, std::size_t n, std::size_t& len) const {
        const std::uint32_t k = single[s[i]];
        len = 1;
        if (k != kLead) return k;
        if (i + 1 == n) return kErrorAll;
        const std::uint32_t p = pair[s[i] << 8 | s[i + 1]];
        if (p == kFour) return fourByte(s, i, n, len);
        if (p != kErrorFirst) len = 2;
        return p == kErrorFirst ? kErrorAll : p;
    }
};

const TableDecoder* TableDecoder::forEncoding(Encoding e) {
    static std::once_flag gbOnce, big5Once;
    static const Tables* gb = nullptr;
    static const Tables* big5 = nullptr;
    switch (e) {
    case Encoding::Gb18030: {
        std::call_once(gbOnce, [] { gb = new Tables(Encoding::Gb18030); });
        static const TableDecoder d(*gb);
        return &d;
    }
    case Encoding::Big5: {
        std::call_once(big5Once, [] { big5 = new Tables(Encoding::Big5); });
        static const TableDecoder d(*big5);
        return &d;
    }
    default:
        return nullptr;
    }
}

std::size_t TableDecoder::toUtf16(std::string_view bytes, char16_t* out, std::int64_t& replaced) const {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    char16_t* o = out;
    for (std::size_t i = 0; i < n;) {
        if (s[i] < 0x80) {
            *o++ = s[i++];
            continue;
        }
        std::size_t len;
        const std::uint32_t c = m_t.next(s, i, n, len);
        i += len;
        if (c < 0x110000) {
            o = putUtf16(o, c);
        } else {
            *o++ = 0xFFFD;
            ++replaced;
        }
    }
    return static_cast<std::size_t>(o - out);
}

TableDecoder::Progress TableDecoder::toUtf8(std::string_view bytes, std::size_t from, char* out, std::size_t room,
                                            std::int64_t& replaced) const {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    if (room < kUtf8Room) return {from, 0};
    char* o = out;
    char* const last = out + room - kUtf8Room; // a character never writes more than four bytes
    const std::uint32_t* pair8 = m_t.pair8.data();
    std::size_t i = from;
    while (i < n && o <= last) {
        const unsigned b = s[i];
        if (b < 0x80) {
            *o++ = static_cast<char>(b);
            ++i;
            continue;
        }
        // The common case, a two-byte character, in one look-up and one copy.
        if (i + 1 < n) {
            const std::uint32_t packed = pair8[b << 8 | s[i + 1]];
            if (packed) {
                std::memcpy(o, &packed, 4);
                o += packedLength(packed);
                i += 2;
                continue;
            }
        }
        std::size_t len;
        const std::uint32_t c = m_t.next(s, i, n, len);
        i += len;
        if (c < 0x110000) {
            o = putUtf8(o, c);
        } else {
            o = putUtf8(o, 0xFFFD);
            ++replaced;
        }
    }
    return {i, static_cast<std::size_t>(o - out)};
}

} // namespace pw
