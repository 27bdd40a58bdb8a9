#include "scan/presets.h"

#include <algorithm>

namespace pw {

namespace {

// Written with \t rather than a tab: a pattern is shown in the field and listed one per line.
// Each anchors at the line's start after blanks (ASCII or ideographic), so prose that merely
// mentions a chapter is not taken; the number may be Chinese, Arabic or full-width.
#define PW_LEAD u"^[ \\t\u3000]*"
#define PW_NUM u"[0-9０-９零〇○一二两三四五六七八九十百千万壹贰叁肆伍陆柒捌玖拾佰仟兩萬]+"
#define PW_FIRST(unit) PW_LEAD u"第[ \u3000]*" PW_NUM u"[ \u3000]*" unit

constexpr PatternPreset kPresets[] = {
    {"chapter", u"第…章", PW_FIRST(u"章")},
    {"hui", u"第…回", PW_FIRST(u"回")},
    {"jie", u"第…节", PW_FIRST(u"[节節]")},
    {"volume", u"卷/部 与 第…章",
     PW_LEAD u"(第[ \u3000]*" PW_NUM u"[ \u3000]*[卷部章]|[卷部][ \u3000]*" PW_NUM u"([ \\t\u3000：:]|$))"},
    {"extras", u"序章/楔子/番外/尾声/后记 与 第…章",
     PW_LEAD u"(第[ "
             u"\u3000]*" PW_NUM u"[ \u3000]*章|(序章|序言|楔子|引子|番外|尾声|尾聲|后记|後記)([ \\t\u3000：:·]|$))"},
    // Web novels: 第…章 behind the labels that download sites and authors put before it (正文,
    // 正文卷, VIP卷, VIP章节, 番外, 卷一, 第一卷 and a short title), and the unnumbered chapters
    // of such books. A volume's own line is left inside the chapter before it, as 第…章 leaves it.
    {"webnovel", u"网络小说（正文/VIP卷 第…章 与 序章/楔子/番外/尾声/后记）",
     PW_LEAD u"((正文卷?|VIP卷|VIP章[节節]|番外|"
             u"卷" PW_NUM u"|第[ \u3000]*" PW_NUM u"[ \u3000]*[卷部集][^第，。！？,.!?]{0,16}?)[ \\t\u3000：:]*){0,2}"
             u"(第[ "
             u"\u3000]*" PW_NUM u"[ \u3000]*章|(序章|序言|楔子|引子|番外|尾声|尾聲|后记|後記)([ \\t\u3000：:·]|$))"},
    {"english", u"Chapter N", PW_LEAD u"chapter[ \\t]+([0-9]+|[ivxlcdm]+)\\b"},
    {"numbered", u"编号行（1. 001）", PW_LEAD u"[0-9０-９]{1,4}([.．、]|[ \\t\u3000]|$)"},
};

#undef PW_FIRST
#undef PW_NUM
#undef PW_LEAD

} // namespace

std::span<const PatternPreset> patternPresets() {
    return kPresets;
}

const PatternPreset* findPreset(std::string_view id) {
    const auto it =
        std::find_if(std::begin(kPresets), std::end(kPresets), [&](const PatternPreset& p) { return id == p.id; });
    return it == std::end(kPresets) ? nullptr : &*it;
}

} // namespace pw
