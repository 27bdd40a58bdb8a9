#include "options/make_out_name.h"

#include "platform/paths.h"

namespace pw {

Text MakeOutName(const WorkingState& state, std::int64_t index, bool nameOnly) {
    Text number;
    if (index < 1) {
        number = u"(index)";
    } else {
        // 64-bit: a start number near the 32-bit limit still gives the right digits.
        number = decimal(index + static_cast<std::int64_t>(state.lngStartNum) - 1);
        if (state.lngNumWidth > 0 && number.size() < static_cast<std::size_t>(state.lngNumWidth)) {
            number.insert(0, static_cast<std::size_t>(state.lngNumWidth) - number.size(), u'0');
        }
    }
    if (nameOnly) return state.strOutName + number;
    Text path = state.strOutDir;
    if (!endsWithSeparator(path)) path.push_back(kSeparator);
    return path + state.strOutName + number + u".txt";
}

} // namespace pw
