#include "scan/presets.h"

#include <algorithm>
#include <array>
#include <string>

#include "scan/heading_vocabulary.h"

namespace pw {

namespace {

namespace v = vocabulary;

constexpr std::u16string_view kArabicRun = u"[0-9０-９]{1,4}";
constexpr const char16_t* kHanziRun = u"[零〇一二两三四五六七八九十百]{1,5}";

// Where a bare number's line starts: blanks, the label download sites put before it (正文 1) and,
// before a Chinese number, a page mark of the site's (09   三十五).
Text bareLead(bool hanzi) {
    Text t = u"^[ \\t\u3000]*(?:正文[ \\t\u3000]*)?";
    if (hanzi) t += u"(?:[0-9０-９]{1,3}[ \\t\u3000]+)?";
    return t;
}

// Written with \t rather than a tab: a pattern is shown in the field and listed one per line.
// Each anchors at the line's start after blanks (ASCII or ideographic) and an opening bracket,
// so prose that merely mentions a chapter is not taken; the number may be written in any of
// the vocabulary's styles.
constexpr std::size_t kPresets = 12;

struct Built {
    std::array<Text, kPresets> patterns;
    Text volumeLines = v::volumeLinePattern();
    Text englishVolumes = u"^[ \\t\u3000]*(volume|book|part)[ \\t]+([0-9]+|[ivxlcdm]+)\\b";
    std::array<PatternPreset, kPresets> presets;

    Built() {
        const Text lead = v::headingLead(), num = v::numeralClass() + u"+";
        const auto first = [&](TextView unit) { return u"第[ \u3000]*" + num + u"[ \u3000]*" + Text(unit); };
        const Text unnumbered = v::unnumberedPattern();
        patterns = {
            lead + first(u"章"),
            lead + first(u"回"),
            lead + first(u"[节節]"),
            lead + u"(" + first(u"[卷部章]") + u"|[卷部][ \u3000]*" + num + u"([ \\t\u3000：:]|$))",
            lead + u"(" + first(u"章") + u"|" + unnumbered + u")",
            // Web novels: 第…章 behind the labels that download sites and authors put before it
            // (正文, 正文卷, VIP卷, VIP章节, 番外, 卷一, 第一卷 and a short title), and the
            // unnumbered chapters of such books. A volume's own line is left inside the chapter
            // before it, as 第…章 leaves it.
            lead + labels() + u"(" + first(u"章") + u"|" + unnumbered + u")",
            u"^[ \\t\u3000]*chapter[ \\t]+([0-9]+|[ivxlcdm]+)\\b",
            bareLead(false) + u"[0-9０-９]{1,4}([.．、]|[ \\t\u3000]|$)",
            lead + first(u"[话話]"),
            u"^[ \\t\u3000]*(part[ \\t]*([0-9]+|[ivxlcdm]+)\\b|第[ \u3000]*" + num + u"[ \u3000]*部分)",
            // Markdown's way: a title behind one to three #.
            u"^[ \\t\u3000]*#{1,3}[ \\t\u3000]*[^# \\t\u3000]",
            // 一 青衫磊落险峰行, 一、写作之夜, 五十八: a Chinese number alone or before a title.
            bareLead(true) + kHanziRun + u"([、．.]|[ \\t\u3000]+[^ \\t\u3000]|[ \\t\u3000]*$)",
        };
        const char* ids[] = {"chapter", "hui",      "jie", "volume", "extras", "webnovel",
                             "english", "numbered", "hua", "part",   "marked", "hanzi"};
        const char16_t* labels[] = {u"第…章",
                                    u"第…回",
                                    u"第…节",
                                    u"卷/部 与 第…章",
                                    u"序章/楔子/番外/尾声/后记 与 第…章",
                                    u"网络小说（正文/VIP卷 第…章 与 序章/楔子/番外/尾声/后记）",
                                    u"Chapter N",
                                    u"编号行（1. 001）",
                                    u"第…话",
                                    u"Part N / 第…部分",
                                    u"井号标记行（## 标题）",
                                    u"中文编号行（一、 二十）"};
        const char16_t* units[] = {u"章",   u"回",   u"节節", u"章",   u"章",   u"章",
                                   nullptr, nullptr, u"话話", nullptr, nullptr, nullptr};
        for (std::size_t i = 0; i < presets.size(); ++i)
            presets[i] = {ids[i], labels[i], patterns[i].c_str(), (i == 6 ? englishVolumes : volumeLines).c_str(), u"",
                          true,   units[i]};
    }

    // Up to two labels before a chapter's 第, each with its gap: 正文, VIP卷, 卷一, 第一季 and a
    // short title.
    static Text labels() {
        const Text num = v::numeralClass() + u"+";
        Text volumeUnits = u"[";
        volumeUnits.append(v::kVolumeUnits).append(u"]");
        return u"((正文卷?|VIP卷|VIP章[节節]|番外|外传|外傳|卷" + num + u"|第[ \u3000]*" + num + u"[ \u3000]*" +
               volumeUnits + u"[^第，。！？,.!?]{0,16}?)[ \\t\u3000：:]*){0,2}";
    }
};

const Built& built() {
    static const Built b;
    return b;
}

} // namespace

std::span<const PatternPreset> patternPresets() {
    return built().presets;
}

const PatternPreset* findPreset(std::string_view id) {
    const auto& ps = built().presets;
    const auto it = std::find_if(ps.begin(), ps.end(), [&](const PatternPreset& p) { return id == p.id; });
    return it == ps.end() ? nullptr : &*it;
}

Text structuredPattern(const PatternPreset& p, bool volumes) {
    return structuredPattern(p, volumes ? v::kVolumeUnits : std::u16string_view());
}

Text structuredPattern(const PatternPreset& p, std::u16string_view volumeUnits) {
    const bool volumes = !volumeUnits.empty();
    if (!p.chapterUnits) return unnumberedBeside(p.pattern);
    Text t = v::headingLead();
    t.append(u"(?:").append(Built::labels()).append(u"(第[ \u3000]*").append(v::numeralClass());
    t.append(u"+[ \u3000]*[").append(p.chapterUnits).append(u"]|").append(v::unnumberedPattern()).append(u")");
    if (volumes) t.append(u"|").append(v::volumeLabelPattern(volumeUnits));
    return t.append(u")");
}

Text unnumberedBeside(TextView pattern) {
    Text t = u"(?:";
    t.append(pattern).append(u")|").append(v::headingLead()).append(u"(?:正文[ \\t\u3000]*)?");
    return t.append(v::unnumberedPattern());
}

bool isBareNumberPreset(const PatternPreset& p) {
    const std::string_view id = p.id;
    return id == "numbered" || id == "hanzi";
}

Text bareNumberPattern(const PatternPreset& p, BareForm form) {
    const bool hanzi = std::string_view(p.id) == "hanzi";
    Text t = bareLead(hanzi);
    t.append(hanzi ? std::u16string_view(kHanziRun) : kArabicRun);
    switch (form) {
    case BareForm::Alone:
        return t.append(u"[ \\t\u3000]*$");
    case BareForm::Titled:
        return t.append(u"(?:[.．]|[ \\t\u3000]+[^ \\t\u3000])");
    case BareForm::Listed:
        return t.append(u"、");
    }
    return t;
}

std::optional<BareForm> bareFormOf(TextView line) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; };
    const auto arabic = [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９'); };
    const auto hanzi = [](char16_t c) {
        return std::u16string_view(u"零〇一二两三四五六七八九十百").find(c) != std::u16string_view::npos;
    };
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < line.size() && blank(line[i]))
            ++i;
    };
    skipBlanks();
    if (line.substr(i).starts_with(u"正文")) i += 2;
    skipBlanks();
    std::size_t from = i;
    while (i < line.size() && arabic(line[i]))
        ++i;
    // A page mark before a Chinese number: the number that counts is the second.
    if (i > from) {
        std::size_t j = i;
        while (j < line.size() && blank(line[j]))
            ++j;
        if (j > i && j < line.size() && hanzi(line[j])) i = from = j;
    }
    while (i < line.size() && hanzi(line[i]))
        ++i;
    if (i == from) return std::nullopt;
    if (i == line.size()) return BareForm::Alone;
    if (line[i] == u'、') return BareForm::Listed;
    if (line[i] == u'.' || line[i] == u'．') return BareForm::Titled;
    if (!blank(line[i])) return std::nullopt;
    skipBlanks();
    return i == line.size() ? BareForm::Alone : BareForm::Titled;
}

Text structuredVolumePattern() {
    return v::volumeLinePattern(v::kVolumeUnits);
}

Text structuredVolumePattern(std::u16string_view units) {
    return v::volumeLinePattern(units);
}

} // namespace pw
