#include "options/feedback.h"

#include <algorithm>

#include "options/intake.h"

namespace pw {

bool txtFileWarns(TextView text, TextView strAnalyzedFile) {
    // Before any scan there is nothing to compare with.
    return !strAnalyzedFile.empty() && text != strAnalyzedFile;
}

bool txtOutWarns(TextView text) {
    return text.empty();
}

bool txtFileOutWarns(TextView text) {
    return text.empty() || std::any_of(text.begin(), text.end(), isForbiddenNameChar);
}

bool txtFindStrWarns(TextView text) {
    return text.empty();
}

bool txtNumWarns(TextView text) {
    // Judged on the characters alone, so a string of any length costs no conversion and
    // cannot overflow: more than ten digits is out of range whatever they are.
    constexpr TextView kMax = u"2147483647";
    if (text.empty() || text.size() > kMax.size() || text.front() == u'0') return true;
    if (!std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) return true;
    // Same length: digit strings compare like their values.
    return text.size() == kMax.size() && text > kMax;
}

Text memoStatusText(std::int64_t lngFileSize, std::int64_t lngMatchCount, std::int64_t selected) {
    return u"文件大小：" + decimal(lngFileSize / 1024) + u"KB，当前 " + decimal(lngMatchCount - selected) + u"/" +
           decimal(lngMatchCount) + u" 行符合条件";
}

} // namespace pw
