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
    const Text units = u"[" + Text(kBookVolumeUnits) + u"]";
    return u"^[ \\t\u3000]*(第[ \u3000]*" + numeralClass() + u"+[ \u3000]*" + units + u"|" + units + u"[ \u3000]*" +
           numeralClass() + u"+([ \\t\u3000：:]|$))";
}

} // namespace pw::vocabulary
