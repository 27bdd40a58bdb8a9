// Deciding a file's encoding from its first bytes.
#include <algorithm>
#include <bitset>
#include <iterator>
#include <memory>
#include <string>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/utf16.h>

#include "platform/encoding.h"

namespace pw {

namespace {

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF.
// Sets `multi` when at least one multi-byte character was seen.
bool validUtf8(std::string_view s, bool whole, bool& multi) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        for (std::size_t k = 1; k < len; ++k) {
            if (i + k >= n) return !whole; // cut by the sample's end
            const unsigned char t = p[i + k];
            if (k == 1 ? (t < lo || t > hi) : (t < 0x80 || t > 0xBF)) return false;
        }
        multi = true;
        i += len;
    }
    return true;
}

// Units that Chinese text in UTF-16 is full of and that read in the other byte order are
// characters no novel holds: line ends, the space, and the commonest punctuation. Counting
// zero bytes instead would mislead: 一 is U+4E00, so Chinese has zeros in both halves. The
// ideographic space is left out: read the other way round it is the digit 0.
bool tellsByteOrder(char16_t u) {
    switch (u) {
    case 0x000A:
    case 0x000D:
    case 0x0020:
    case 0x3001: // 、
    case 0x3002: // 。
    case 0x201C: // “
    case 0x201D: // ”
    case 0xFF01: // ！
    case 0xFF0C: // ，
    case 0xFF1A: // ：
    case 0xFF1F: // ？
        return true;
    default:
        return false;
    }
}

// The characters that make up most of any Chinese novel, in simplified and traditional form:
// GBK read as Big5 or Big5 read as GBK gives rare characters instead.
constexpr char16_t kCommon[] =
    u"的一是不了人我在有他这个们中来上大到说为子和你地出道也时年得就那要下以生会自着去之过家学对可她里后小么心"
    u"多天而能好都然没日于起还发成事只作当想看文无开手十用主行方又如前所本见经头面公同三已老从动两长知民样现分将外"
    u"但身些与高意进把法此实回二理美点月明其种声全工己话儿者向情部正名定女问力机给等几很业最间新什打便位因重被走电"
    u"四第门相次东政海口使教西再平真听世气信北少关并内加化由却代军产入先山五太水万市眼体别处总才场师书比住员九笑性"
    u"通目华报立马命张活难神数件安表原车白应路期叫死常提感金何更反合放做系计或司利受光王果亲界及今京务制解各任至清"
    u"物台象记边共风战干接它许八特觉望直服毛林题建南度统色字请交爱让认算论百吃义科怎元社术结六功指思非流每青管夫连"
    u"远资队跟带花快条院变联言权往展该领传近留红治决周保达办运武半候七必城父强步完革深区即求品士转量空甚众技轻程告"
    u"江语英基派满式李息写呢识极令黄德收脸钱党倒未持取设始版双历越史商千片容研像找友孩站广改议形委早房音火际则首单"
    u"据导影失拿网香似斯专石若兵弟谁校读志飞观争究包组造落视济喜离虽坏兴切府帝母曰吾乃汝矣焉哉耶兮尔皆遂"
    u"這個們來說為時會著過學對後麼沒還發當無開見經頭從動兩長樣現將進實點聲話兒問機給業間電門東關並內卻軍產別處總場"
    u"師書員華報馬張難數車應計親務記邊戰乾許覺題統請愛讓認論義術結連遠資隊帶條變聯權該領傳紅決達辦運強區轉眾輕語滿"
    u"寫識黃臉錢黨設雙歷廣議際則單據導網專誰讀飛觀爭組視濟雖壞興爾雲裏裡";

const std::bitset<0x10000>& commonChars() {
    static const auto set = [] {
        auto s = std::make_unique<std::bitset<0x10000>>();
        for (const char16_t c : std::u16string_view(kCommon))
            s->set(c);
        return s;
    }();
    return *set;
}

// How a sample reads in one encoding: bytes that do not decode, and common characters.
struct Reading {
    std::size_t errors = 0;
    std::size_t common = 0;
};

void countingSubstitute(const void* context, UConverterToUnicodeArgs* args, const char* codeUnits, int32_t length,
                        UConverterCallbackReason reason, UErrorCode* err) {
    if (reason <= UCNV_IRREGULAR) ++*static_cast<std::size_t*>(const_cast<void*>(context));
    UCNV_TO_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, reason, err);
}

Reading readAs(Encoding e, std::string_view s, bool whole) {
    Reading r;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(traitsOf(e).converter, &status);
    if (U_FAILURE(status)) return {s.size(), 0};
    ucnv_setToUCallBack(cnv, countingSubstitute, &r.errors, nullptr, nullptr, &status);
    const std::bitset<0x10000>& common = commonChars();
    const char* src = s.data();
    const char* const srcEnd = src + s.size();
    UChar buf[4096];
    do {
        status = U_ZERO_ERROR;
        UChar* dst = buf;
        // A character cut by the sample's end is no error of the file's.
        ucnv_toUnicode(cnv, &dst, buf + std::size(buf), &src, srcEnd, nullptr, whole, &status);
        for (const UChar* u = buf; u < dst; ++u)
            r.common += common.test(*u);
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    ucnv_close(cnv);
    return r;
}

// Big5 only when it reads clearly better: far more of the common characters, and bad bytes
// rare (a damaged byte or two must not make a Big5 file GB18030). Big5 read as GB18030
// decodes without errors but into rare characters; GBK read as Big5 stumbles over second
// bytes that Big5 does not use, about one in twenty characters.
bool readsAsBig5(std::string_view s, bool whole) {
    const Reading gb = readAs(Encoding::Gb18030, s, whole);
    const Reading big5 = readAs(Encoding::Big5, s, whole);
    return big5.common >= 2 * gb.common + 4 && big5.errors * 16 <= big5.common + gb.errors * 16;
}

// CR LF as two adjacent bytes: 8-bit text's line end. UTF-16 writes it as two units of two
// bytes each, so the pair only turns up there inside some rare character.
std::size_t eightBitLineEnds(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
        n += s[i] == '\r' && s[i + 1] == '\n';
    return n;
}

// How well a sample reads: its common characters, less a heavy price for each byte that
// does not decode.
long long readsWell(const Reading& r) {
    return static_cast<long long>(r.common) - 4 * static_cast<long long>(r.errors);
}

// UTF-16 without a mark: its line ends, spaces and punctuation in one byte order and not the
// other. A few zero bytes in 8-bit text (a file patched or cut by some tool) make such units
// too, beside a line end or a space; so the units alone only nominate an order, and the text
// is UTF-16 when it reads better so than as the 8-bit text it may be: unpaired surrogates, CR
// LF as adjacent bytes and an odd length count against it, and common characters, in either
// reading, for.
std::optional<Encoding> utf16Order(std::string_view s, bool whole) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t le = 0, be = 0;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        le += tellsByteOrder(static_cast<char16_t>(p[i] | p[i + 1] << 8));
        be += tellsByteOrder(static_cast<char16_t>(p[i] << 8 | p[i + 1]));
    }
    // Text in one byte per character has no such units at all (they need a zero byte or a
    // control character); a couple of them by chance must not outvote a real order.
    std::optional<Encoding> order;
    if (le >= 2 && le > 4 * be) order = Encoding::Utf16Le;
    if (be >= 2 && be > 4 * le) order = Encoding::Utf16Be;
    if (!order) return std::nullopt;
    const Reading wide = readAs(*order, s, whole);
    long long asUtf16 =
        static_cast<long long>(std::max(le, be)) + readsWell(wide) - 4 * static_cast<long long>(eightBitLineEnds(s));
    if (whole && s.size() % 2 != 0) asUtf16 -= 4;
    // Read as 8-bit text with its stray zero bytes taken out: they split characters that are
    // whole without them.
    std::string narrow;
    narrow.reserve(s.size());
    std::copy_if(s.begin(), s.end(), std::back_inserter(narrow), [](char c) { return c != '\0'; });
    const long long asEightBit =
        std::max(readsWell(readAs(Encoding::Gb18030, narrow, whole)), readsWell(readAs(Encoding::Utf8, narrow, whole)));
    return asUtf16 > asEightBit ? order : std::nullopt;
}

} // namespace

EncodingGuess detectEncoding(std::string_view head, bool whole) {
    // Looked for before UTF-16LE's mark, which is the first half of UTF-32LE's.
    using namespace std::string_view_literals;
    if (head.starts_with("\xFF\xFE\0\0"sv) || head.starts_with("\0\0\xFE\xFF"sv)) {
        EncodingGuess g;
        g.utf32 = true;
        return g;
    }
    for (const Encoding e : {Encoding::Utf8, Encoding::Utf16Le, Encoding::Utf16Be}) {
        const std::string_view bom = traitsOf(e).bom;
        if (head.starts_with(bom)) return {e, bom.size(), true};
    }
    const std::string_view sample = head.substr(0, kEncodingSample);
    whole = whole && head.size() <= kEncodingSample;
    bool multi = false;
    if (validUtf8(sample, whole, multi) && multi) return {Encoding::Utf8, 0, true};
    if (const auto order = utf16Order(sample, whole)) return {*order, 0, true};
    if (readsAsBig5(sample, whole)) return {Encoding::Big5, 0, true};
    return {Encoding::Gb18030, 0, true};
}

EncodingGuess chosenEncoding(std::string_view head, Encoding e) {
    const std::string_view bom = traitsOf(e).bom;
    return {e, !bom.empty() && head.starts_with(bom) ? bom.size() : 0, false};
}

} // namespace pw
