#include "stages/separators.h"

#include <array>

namespace pw {

namespace {

// The marks, as UTF-8; the full-width forms and the stars come from novels typed on Chinese
// keyboards.
constexpr std::array<std::string_view, 16> kMarks = {"-", "－", "=",  "＝", "*", "＊", "~", "～",
                                                     "—", "_",  "＿", "·",  ".", "☆",  "★", "※"};
constexpr std::array<std::string_view, 3> kSpaces = {" ", "\t", "\u3000"};

// The length of the piece of `s` at `at` that is one of `set`, or 0.
template <std::size_t N>
std::size_t oneOf(std::string_view s, std::size_t at, const std::array<std::string_view, N>& set) {
    for (const std::string_view m : set)
        if (s.substr(at).starts_with(m)) return m.size();
    return 0;
}

} // namespace

bool isSeparatorLine(std::string_view utf8) {
    int marks = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        if (const std::size_t n = oneOf(utf8, at, kMarks)) {
            ++marks;
            at += n;
        } else if (const std::size_t sp = oneOf(utf8, at, kSpaces)) {
            at += sp;
        } else {
            return false;
        }
    }
    return marks >= 3;
}

bool SeparatorStage::beginChapter(const ChapterStart& c) {
    m_afterHeading = false;
    return Stage::beginChapter(c);
}

bool SeparatorStage::line(const Line& l) {
    switch (l.role()) {
    case LineRole::Heading:
        m_afterHeading = true;
        return Stage::line(l);
    case LineRole::Blank:
    case LineRole::Separator:
        return Stage::line(l);
    case LineRole::Body:
        break;
    }
    // Most lines start with a character that no row of marks starts with.
    const std::string_view bytes = l.bytes();
    if (bytes.empty() || !isSeparatorLine(l.text())) {
        m_afterHeading = false;
        return Stage::line(l);
    }
    if (m_afterHeading) return true; // under the heading it breaks nothing
    Line copy = l;
    copy.setRole(LineRole::Separator);
    return Stage::line(copy);
}

StageMaker separatorStage() {
    return [](ChapterSink& next) { return std::make_unique<SeparatorStage>(next); };
}

} // namespace pw
