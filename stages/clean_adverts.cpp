#include "stages/clean_adverts.h"

#undef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdint>

#include "stages/clean_evidence.h"

namespace pw {

namespace {

// The patterns see the line folded: full-width forms made ASCII, letters made small, and for
// the whole-line shapes every space taken out (5 1 7 z . c o m is 517z.com).
#define AD_TLD                                                                                                         \
    "(?:com|net|org|cn|cc|la|info|me|co|tw|hk|io|xyz|top|vip|so|tv|biz|club|site|online|app|wang|ws|mobi|name|pw|"     \
    "asia|us|in|ru|jp|tk|win|link|live|life|fun|ink|love|shop|today|pro|cloud|work|ltd|space|tech|icu|one|run|xin|fm|" \
    "im|to|ml|ga|cf|gq|de|uk|li|ag|vc|ac|cx|nu)"
// Between the parts of an address written to slip past filters: a mark or a character.
#define AD_SEP "(?:[.。,，/\\-:?·_|]|\\p{Han})"
#define AD_DOMAIN "(?:[a-z0-9][a-z0-9-]*[.。])+" AD_TLD "(?![a-z0-9-])"
#define AD_WWW "www" AD_SEP "{1,2}[a-z0-9][a-z0-9-]*?" AD_SEP "{1,2}" AD_TLD "(?![a-z0-9])"
#define AD_ADDRESS "(?:(?:https?|ftp):?//)?(?:" AD_WWW "|" AD_DOMAIN ")(?::\\d+)?(?:/[!-~]*)?"
#define AD_MARKS "[\\s\\p{P}\\p{S}]"

// What only adverts say.
#define AD_STRONG                                                                                                                                                    \
    "(?:免费txt|txt小说|小说txt|txt书|电子书|电子文库|免费小说|下载站|下载网|小说下载|收集整理|整理制作|整理上传|"           \
    "网友上传|网友分享|请访问|欢迎访问|欢迎光临|欢迎您来|请关注|敬请关注|尽在|请登陆|请登录|请到|推荐好书|好书推荐|" \
    "更多好书|更多精彩|更多精校|更多更新|更多免费|本书来自|本书由|本文由|下载于|下载自|专题网址|文学网站|小说网站|"  \
    "小说天堂|资源网|最新下载|无弹窗|免费阅读|最快更新|更新最快|一秒记住|手机版|首发|本站|全文阅读|阅读网址)"
// What a story may say as well.
#define AD_WEAK "(?:下载|整理|收集|推荐|关注|访问|分享|上传|提供|小说|好书|网站)"
// A site's notice that names no address.
#define AD_NOTICE                                                                                                                                                \
    "(?:(?:本书|本文|此书|该书|本电子书|该电子书|此电子书|本小说|本作品)(?:由|来自|下载|收集|整理|首发|版权).{0,60}"      \
    "(?:网|站|论坛|吧|书库|部落|电子书|txt|收集|整理|上传|分享|下载|版权|侵权)|(?:您|你)所?下载的.{0,8}"                         \
    "(?:电子书|小说|txt|文件|书籍)|版权归原作者|仅供(?:交流|学习|预览|试读|参考)|请勿用于商业|如有侵权|一切后果自负|" \
    "下载后24小时内|请支持正版|请购买正版)"
// A line framed as a banner (【…】, 〖…〗, ☆…☆) around a site's words.
#define AD_BANNER_IN "(?:(?![【〖\\[☆★◆】〗\\]]).)"
#define AD_BANNER                                                                                                      \
    "^" AD_MARKS "*[【〖\\[☆★◆]" AD_BANNER_IN                                                                          \
    "{0,40}(?:电子书|收集整理|整理制作|txt|下载|小说网|书库|文库|书屋|论坛)" AD_BANNER_IN                              \
    "{0,40}[】〗\\]☆★◆]" AD_MARKS "*$"

struct Code {
    pcre2_code* code = nullptr;
    explicit Code(const char* pattern) {
        int error = 0;
        PCRE2_SIZE offset = 0;
        code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, PCRE2_UTF | PCRE2_UCP,
                             &error, &offset, nullptr);
        if (code) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    }
    ~Code() {
        if (code) pcre2_code_free(code);
    }
};

// Compiled once, shared by every run (PCRE2's compiled patterns are read only).
struct Codes {
    Code address{AD_ADDRESS};
    Code strong{"^(?!.{200})(?=.*" AD_ADDRESS ")(?=.*" AD_STRONG ")"};
    Code weak{"^(?!.{200})(?=.*" AD_ADDRESS ")(?=.*" AD_WEAK ")"};
    Code notice{"^(?!.{120})(?:.*" AD_NOTICE "|" AD_BANNER ")"};
    Code words{"(?:" AD_STRONG "|" AD_NOTICE ")"};
    Code alone{"^" AD_MARKS "*(?:(?:网址|地址|域名|本站|官网|网站|主页):?)?" AD_MARKS "*" AD_ADDRESS AD_MARKS "*$"};
    // Inside a line: a bracket's content, an obfuscated character between @ (@奇@), an HTML comment.
    Code square{"[【〖\\[]([^【】〖〗\\[\\]]{1,60})[】〗\\]]"};
    Code round{"\\(([^()]{1,60})\\)"};
    Code at{"@\\p{Han}@|<!--.*?-->"};
    Code siteWord{"网|站|论坛|书库|文库|电子书|小说|吧|部落|书屋|下载|txt|更多|精彩|尽在"};
    Code lead{"(?:更多|精彩|好书|尽在|访问|关注|下载|电子书|小说)"};
};

const Codes& codes() {
    static const Codes c;
    return c;
}

// A word every notice and banner holds one of: most lines have none and skip the patterns.
bool noticeWords(std::string_view utf8) {
    static constexpr std::string_view kWords[] = {"本书", "本文", "此书", "该书", "电子书", "本小说", "本作品",
                                                  "下载", "版权", "仅供", "请勿", "侵权",   "后果",   "正版",
                                                  "【",   "〖",   "[",    "［",   "☆",      "★",      "◆"};
    for (const std::string_view w : kWords)
        if (utf8.find(w) != std::string_view::npos) return true;
    return false;
}

bool han(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF);
}

char32_t next(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
    for (int k = 1; k < n && i + k < s.size(); ++k)
        c = c << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n;
    return c;
}

} // namespace

struct AdvertShapes::Impl {
    pcre2_match_data* data = pcre2_match_data_create(8, nullptr);
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    std::string folded, squeezed, content, spaced;
    std::vector<std::uint32_t> from; // folded[i] came from the source's byte from[i]

    Impl() {
        // As the other rules: a line that makes a pattern run away is left as it is.
        pcre2_set_match_limit(context, 200'000);
        pcre2_set_depth_limit(context, 5'000);
    }
    ~Impl() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
    }

    // Full-width ASCII forms made ASCII, U+3000 a space, capitals small; `squeeze`: no spaces.
    void fold(std::string_view s, std::string& out, bool squeeze, std::vector<std::uint32_t>* map) {
        out.clear();
        if (map) map->clear();
        for (std::size_t i = 0; i < s.size();) {
            const std::size_t at = i;
            const char32_t c = next(s, i);
            char ascii = 0;
            if (c >= 0xFF01 && c <= 0xFF5E)
                ascii = static_cast<char>(c - 0xFF01 + 0x21);
            else if (c == 0x3000 || c == 0xA0)
                ascii = ' ';
            else if (c < 0x80)
                ascii = static_cast<char>(c);
            if (ascii >= 'A' && ascii <= 'Z') ascii = static_cast<char>(ascii - 'A' + 'a');
            if (squeeze && (ascii == ' ' || ascii == '\t')) continue;
            if (ascii) {
                out += ascii;
                if (map) map->push_back(static_cast<std::uint32_t>(at));
            } else {
                out.append(s, at, i - at);
                if (map)
                    for (std::size_t k = at; k < i; ++k)
                        map->push_back(static_cast<std::uint32_t>(at));
            }
        }
        if (map) map->push_back(static_cast<std::uint32_t>(s.size()));
    }

    bool find(const Code& c, std::string_view s, std::size_t start = 0) {
        return c.code &&
               pcre2_match(c.code, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), start, 0, data, context) >= 0;
    }
    std::pair<std::size_t, std::size_t> group(int n) const {
        const PCRE2_SIZE* v = pcre2_get_ovector_pointer(data);
        return {v[2 * n], v[2 * n + 1]};
    }

    // The site an address names: its last two labels (three under com.cn and the like),
    // without scheme, path or www.
    static std::string key(std::string_view address) {
        std::vector<std::string> labels(1);
        std::size_t i = 0;
        if (const std::size_t scheme = address.find("//"); scheme != std::string_view::npos) i = scheme + 2;
        // A path starts at the first / after a name with a dot; before one (www/xiaoshuotxt/net)
        // a / stands between the parts of a name written to slip past filters.
        bool dotted = false;
        while (i < address.size() && (address[i] != '/' || !dotted)) {
            const auto b = static_cast<unsigned char>(address[i]);
            dotted = dotted || b == '.';
            if ((b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
                labels.back() += static_cast<char>(b);
                ++i;
            } else {
                next(address, i);
                if (!labels.back().empty()) labels.emplace_back();
            }
        }
        if (labels.back().empty()) labels.pop_back();
        if (labels.size() < 2) return {};
        std::size_t take = 2;
        const std::string& second = labels[labels.size() - 2];
        if (labels.size() >= 3 && labels.back().size() == 2 &&
            (second == "com" || second == "net" || second == "org" || second == "gov" || second == "edu"))
            take = 3;
        std::string k;
        for (std::size_t n = labels.size() - take; n < labels.size(); ++n)
            k += (k.empty() ? "" : ".") + labels[n];
        return k;
    }

    void keys(std::string_view squeezedText, std::vector<std::string>& out) {
        out.clear();
        for (std::size_t at = 0; at < squeezedText.size() && find(codes().address, squeezedText, at);) {
            const auto [b, e] = group(0);
            if (std::string k = key(squeezedText.substr(b, e - b)); !k.empty()) out.push_back(std::move(k));
            at = e > b ? e : b + 1;
        }
    }
};

AdvertShapes::AdvertShapes() : m(std::make_unique<Impl>()) {}
AdvertShapes::~AdvertShapes() = default;

bool AdvertShapes::speech(std::string_view utf8) {
    for (const std::string_view mark : {"“", "”", "「", "」", "『", "』", "\""})
        if (utf8.find(mark) != std::string_view::npos) return true;
    return false;
}

bool AdvertShapes::latin(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') return true;
        if (b == 0xEF && i + 2 < utf8.size()) {
            const auto b1 = static_cast<unsigned char>(utf8[i + 1]), b2 = static_cast<unsigned char>(utf8[i + 2]);
            if ((b1 == 0xBC && b2 >= 0xA1 && b2 <= 0xBA) || (b1 == 0xBD && b2 >= 0x81 && b2 <= 0x9A)) return true;
        }
    }
    return false;
}

AdvertShapes::Site AdvertShapes::siteLine(std::string_view utf8, std::vector<std::string>& keys) {
    keys.clear();
    if (speech(utf8)) return Site::None;
    const bool letters = latin(utf8);
    if (!letters && !noticeWords(utf8)) return Site::None;
    m->fold(utf8, m->squeezed, true, nullptr);
    if (m->find(codes().notice, m->squeezed)) {
        m->keys(m->squeezed, keys);
        return Site::Strong;
    }
    if (!letters) return Site::None;
    if (m->find(codes().strong, m->squeezed)) {
        m->keys(m->squeezed, keys);
        return Site::Strong;
    }
    if (m->find(codes().weak, m->squeezed)) {
        m->keys(m->squeezed, keys);
        return Site::Weak;
    }
    return Site::None;
}

bool AdvertShapes::advertWords(std::string_view utf8) {
    m->fold(utf8, m->squeezed, true, nullptr);
    return m->find(codes().words, m->squeezed);
}

bool AdvertShapes::hiddenName(std::string_view utf8, std::string& key) {
    key.clear();
    if (utf8.size() > 90) return false;
    // Every name it knows has one of these (txt as x, in any width): most lines stop here.
    bool word = false;
    for (const std::string_view w : {"说", "书", "文学", "论坛", "天堂", "x", "X", "ｘ", "Ｘ"})
        word = word || utf8.find(w) != std::string_view::npos;
    if (!word) return false;
    m->fold(utf8, m->folded, false, nullptr);
    std::size_t kept = 0, between = 0, pending = 0;
    for (std::size_t i = 0; i < m->folded.size();) {
        const std::size_t at = i;
        const char32_t c = next(m->folded, i);
        if (han(c) || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            key.append(m->folded, at, i - at);
            ++kept;
            between += kept > 1 ? pending : 0;
            pending = 0;
        } else {
            ++pending;
        }
    }
    static constexpr std::string_view kSiteWords[] = {"小说", "txt", "电子书", "书库", "书屋", "文学", "论坛", "天堂"};
    bool site = false;
    for (const std::string_view w : kSiteWords)
        site = site || key.find(w) != std::string::npos;
    return site && kept >= 4 && kept <= 12 && between >= 1;
}

bool AdvertShapes::addressLine(std::string_view utf8, std::vector<std::string>& keys) {
    keys.clear();
    if (speech(utf8) || !latin(utf8)) return false;
    m->fold(utf8, m->squeezed, true, nullptr);
    if (!m->find(codes().alone, m->squeezed)) return false;
    m->keys(m->squeezed, keys);
    return !keys.empty();
}

void AdvertShapes::addressKeys(std::string_view utf8, std::vector<std::string>& keys) {
    m->fold(utf8, m->squeezed, true, nullptr);
    m->keys(m->squeezed, keys);
}

bool AdvertShapes::inlineAdverts(std::string_view utf8, std::string& out, const CleanEvidence* evidence) {
    // Cheap first: no bracket, @ or < and no advert can be set in the line.
    bool candidate = false;
    for (const std::string_view mark : {"[", "【", "〖", "［", "(", "（", "@", "<"})
        if (utf8.find(mark) != std::string_view::npos) candidate = true;
    if (!candidate || (!latin(utf8) && utf8.find('@') == std::string_view::npos)) return false;
    Impl& d = *m;
    d.fold(utf8, d.folded, false, &d.from);
    const std::string_view f = d.folded;
    std::vector<std::pair<std::size_t, std::size_t>> spans; // in the folded text
    const auto inside = [&spans](std::size_t at) {
        for (const auto& [b, e] : spans)
            if (at >= b && at < e) return true;
        return false;
    };
    // Whether a bracket's content is an advert: an address written to slip past filters, an
    // address beside a site's name, or one the book shows to be an advertiser's.
    const auto advert = [&](std::string_view content) {
        d.fold(content, d.content, true, nullptr);
        if (!d.find(codes().address, d.content)) return false;
        const auto [b, e] = d.group(0);
        const std::string_view address = std::string_view(d.content).substr(b, e - b);
        bool hidden = false;
        std::size_t letters = 0;
        for (std::size_t i = 0; i < address.size();) {
            const char32_t c = next(address, i);
            hidden = hidden || han(c);
            letters += c < 0x80;
        }
        // Spaces inside the address: the content as written does not hold it whole.
        d.fold(content, d.spaced, false, nullptr);
        if (hidden || (letters >= 4 && d.spaced.find(address) == std::string::npos)) return true;
        const std::string rest = d.content.substr(0, b) + d.content.substr(e);
        if (d.find(codes().siteWord, rest)) return true;
        return evidence && evidence->advertSite(Impl::key(address)) && rest.size() <= 6;
    };
    for (const Code* c : {&codes().square, &codes().round}) {
        for (std::size_t at = 0; at < f.size() && d.find(*c, f, at);) {
            const auto [b, e] = d.group(0);
            const auto [cb, ce] = d.group(1);
            at = e;
            if (inside(b) || speech(f.substr(b, e - b))) continue;
            if (!advert(f.substr(cb, ce - cb))) continue;
            std::size_t start = b;
            // An advert's lead-in before it, from a bracket left open: [更多精彩，尽在[…]
            for (std::size_t k = b; k-- > 0 && b - k <= 90;) {
                const std::string_view here = f.substr(k);
                if (here[0] == ']' || here.starts_with("】") || here.starts_with("〗") || here.starts_with("。")) break;
                if (here[0] == '[' || here.starts_with("【") || here.starts_with("〖")) {
                    if (d.find(codes().lead, f.substr(k, b - k))) start = k;
                    break;
                }
            }
            // Rules of dashes that tie it to the paragraph: ----〖…〗
            while (start > 0 && (f[start - 1] == '-' || f[start - 1] == ' '))
                --start;
            while (start >= 3 && f.substr(start - 3, 3) == "—")
                start -= 3;
            spans.emplace_back(start, e);
        }
    }
    for (std::size_t at = 0; at < f.size() && d.find(codes().at, f, at);) {
        const auto [b, e] = d.group(0);
        at = e;
        if (!inside(b)) spans.emplace_back(b, e);
    }
    if (spans.empty()) return false;
    std::sort(spans.begin(), spans.end());
    std::string result;
    std::size_t from = 0;
    for (const auto& [b, e] : spans) {
        const std::size_t sb = d.from[b], se = d.from[e];
        if (sb < from) continue;
        result.append(utf8, from, sb - from);
        from = se;
    }
    result.append(utf8, from);
    // What was before an advert at the line's end keeps no trailing space.
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    while (result.size() >= 3 && result.ends_with("\u3000") && from == utf8.size())
        result.resize(result.size() - 3);
    out = std::move(result);
    return true;
}

} // namespace pw
