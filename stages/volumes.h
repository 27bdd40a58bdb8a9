#pragma once
// Volumes found on their own: a 第一卷 line heads the chapters after it in the book's contents
// whether or not the chapter pattern matched it. A volume line that the user left out as a
// heading, or that the chapter pattern never matched, would otherwise sit in the text of the
// chapter before it.
#include <optional>

#include "platform/regex.h"
#include "platform/text.h"
#include "stages/stage.h"

namespace pw {

class VolumeStage : public Stage {
public:
    // `volume` is the volume pattern, already checked.
    VolumeStage(ChapterSink& next, Regex volume) : Stage(next), m_volume(std::move(volume)) {}
    bool line(const Line& l) override;

private:
    Regex m_volume;
    Text m_text;
};

// None when there is no volume pattern (or it does not compile: the book's checks tell that).
std::optional<StageMaker> volumeStage(const Text& pattern);

} // namespace pw
