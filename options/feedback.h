#pragma once
// The silent feedback of the option fields: each field judges its own text on every change
// and shows light red while that text is unusable. Only the colour and a status caption
// come of it; the real checks are the intake's.
#include <cstdint>

#include "platform/text.h"

namespace pw {

// True when the field should show the warning colour. Comparisons are exact: nothing is
// trimmed, and case counts.
bool txtFileWarns(TextView text, TextView strAnalyzedFile);
bool txtOutWarns(TextView text);
bool txtFileOutWarns(TextView text);
bool txtFindStrWarns(TextView text);
// White only for the plain decimal form of 1 to 2147483647: digits only, no leading zero.
bool txtNumWarns(TextView text);

// The caption after a click in the heading list: how many headings remain of the total
// once the selected entries are left out.
Text memoStatusText(std::int64_t lngFileSize, std::int64_t lngMatchCount, std::int64_t selected);

} // namespace pw
