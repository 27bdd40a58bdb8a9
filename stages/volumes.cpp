#include "stages/volumes.h"

#include <memory>
#include <variant>

namespace pw {

namespace {

// A volume's line is a short one; matching longer lines would only find prose that names one.
constexpr std::size_t kVolumeLineBytes = 150;

} // namespace

bool VolumeStage::line(const Line& l) {
    if (l.role() != LineRole::Body || l.bytes().size() > kVolumeLineBytes) return Stage::line(l);
    m_text = fromUtf8(l.text());
    if (m_volume.test(m_text) != MatchResult::Match) return Stage::line(l);
    Line volume = l;
    volume.setRole(LineRole::Heading);
    volume.setVolume(true);
    return Stage::line(volume);
}

std::optional<StageMaker> volumeStage(const Text& pattern) {
    if (pattern.empty()) return std::nullopt;
    if (!std::holds_alternative<Regex>(Regex::compile(pattern))) return std::nullopt;
    return [pattern](ChapterSink& next) {
        return std::make_unique<VolumeStage>(next, std::move(std::get<Regex>(Regex::compile(pattern))));
    };
}

} // namespace pw
