#include "scan/heading_vocabulary.h"

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
    Text t = u"^[ \\t\u3000]*";
    t.append(u"[");
    for (const char16_t c : kOpenBrackets) {
        if (c == u'[') t.push_back(u'\\');
        t.push_back(c);
    }
    t.append(u"]?[ \\t\u3000]*");
    return t;
}

Text volumeLinePattern() {
    // Appended piece by piece: GCC 12 at -O3 sees an overlap that is not there in a chain of +.
    Text units = u"[";
    units.append(kBookVolumeUnits);
    units.append(u"]");
    const Text numeral = numeralClass();
    Text t = u"^[ \\t\u3000]*(第[ \u3000]*";
    t.append(numeral).append(u"+[ \u3000]*").append(units).append(u"|").append(units).append(u"[ \u3000]*");
    t.append(numeral).append(u"+([ \\t\u3000：:]|$))");
    return t;
}

} // namespace pw::vocabulary
