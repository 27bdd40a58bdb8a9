#include "platform/numeric.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace pw {

double leadingValue(TextView s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == kIdeographicSpace)) ++i;
    std::string ascii;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ascii.push_back(static_cast<char>(s[i++]));
    bool digits = false, point = false;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= u'0' && c <= u'9') {
            ascii.push_back(static_cast<char>(c));
            digits = true;
        } else if (c == u'.' && !point) {
            ascii.push_back('.');
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    return std::strtod(ascii.c_str(), nullptr);
}

std::optional<std::int32_t> toLong32(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    // nearbyint follows the current rounding mode, which is round-half-even by default.
    const double r = std::nearbyint(v);
    if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<std::int32_t> numericValue32(TextView s) { return toLong32(leadingValue(s)); }

} // namespace pw
