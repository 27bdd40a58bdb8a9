#include "scan/heading_vocabulary.h"

#include <algorithm>
#include <iterator>

namespace pw::vocabulary {

Text numeralClass() {
    Text t = u"[0-9０-９";
    for (const std::u16string_view d : kDigits)
        t.append(d);
    for (const std::u16string_view u : kUnits)
        t.append(u);
    t.append(kTens);
    t.append(u"]");
    return t;
}

Text headingLead() {
    // A book's title in 《》 may open every heading of a download (《血色浪漫》第一章(1)).
    Text t = u"^[ \\t\u3000]*(?:《[^》]{1,20}》[ \\t\u3000]*)?";
    t.append(u"[");
    for (const char16_t c : kOpenBrackets) {
        if (c == u'[') t.push_back(u'\\');
        t.push_back(c);
    }
    t.append(u"]?[ \\t\u3000]*");
    return t;
}

Text volumeLinePattern() {
    return volumeLinePattern(kBookVolumeUnits);
}

Text volumeLabelPattern(std::u16string_view units) {
    // Appended piece by piece: GCC 12 at -O3 sees an overlap that is not there in a chain of +.
    const Text numeral = numeralClass();
    Text t = u"(?:第[ \u3000]*";
    t.append(numeral).append(u"+[ \u3000]*[").append(units).append(u"](?![分完])");
    t.append(u"|[卷部][ \u3000]*").append(numeral).append(u"+(?:[ \\t\u3000：:]|$))");
    return t;
}

Text volumeLinePattern(std::u16string_view units) {
    Text t = headingLead();
    t.append(volumeLabelPattern(units));
    // A chapter named further on makes the line a chapter's, whatever volume it names first.
    t.append(u"(?!.*第[ \u3000]*").append(numeralClass()).append(u"+[ \u3000]*[").append(kChapterUnits).append(u"])");
    return t;
}

Text unnumberedPattern() {
    // Written with blanks between the characters (后　记, 尾 声) and in either script (后記).
    static constexpr std::u16string_view kEitherScript[][2] = {
        {u"后", u"[后後]"}, {u"记", u"[记記]"}, {u"声", u"[声聲]"}, {u"终", u"[终終]"}};
    Text t = u"(";
    for (const std::u16string_view w : kUnnumbered) {
        if (w != u"尾聲" && w != u"後記" && w != u"終章") { // their simplified forms take both scripts
            t.append(t.size() > 1 ? u"|" : u"");
            for (std::size_t i = 0; i < w.size(); ++i) {
                const std::u16string_view c = w.substr(i, 1);
                const auto* either = std::find_if(std::begin(kEitherScript), std::end(kEitherScript),
                                                  [&](const auto& e) { return e[0] == c; });
                t.append(i ? u"[ \u3000]*" : u"").append(either == std::end(kEitherScript) ? c : (*either)[1]);
            }
        }
    }
    // Numbered among themselves too: 番外1, 番外三：; 尾声(1) in parts.
    t.append(u")").append(numeralClass()).append(u"*([ \\t\u3000：:·(（]|$)");
    return t;
}

} // namespace pw::vocabulary
