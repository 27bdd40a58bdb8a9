#pragma once
// Volumes found on their own: a 第一卷 line heads the chapters after it in the book's contents
// whether or not the chapter pattern matched it. A volume line that the user left out as a
// heading, or that the chapter pattern never matched, would otherwise sit in the text of the
// chapter before it. A chapter's line that names its volume first (第一季 第二卷 怒海潜沙 第一章
// 蛇眉铜鱼) opens that volume where the volume changes, and keeps the chapter's own words.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "platform/regex.h"
#include "platform/text.h"
#include "stages/stage.h"

namespace pw {

// Past this much text under it, a volume line found in the text heads a volume of its own
// though no chapter has come yet: a list of volumes has next to none between its lines.
inline constexpr std::int64_t kListedVolumeText = 1000;

class VolumeStage : public Stage {
public:
    // `volume` is the volume pattern, already checked.
    VolumeStage(ChapterSink& next, Regex volume) : Stage(next), m_volume(std::move(volume)) {}
    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;
    bool endChapter() override;
    bool close(bool complete) override;

private:
    // A line that may head a volume waits, with what comes after it, until the text shows
    // whether it does: a volume line of the text holds chapters, one of a list of volumes (a
    // table of contents left in the front matter) is followed by the next volume at once; an
    // unnumbered heading with no text of its own (引子) before a chapter numbered 1 heads what
    // follows.
    enum class Waiting { None, Found, Unnumbered };
    struct Event {
        enum Kind { Begin, Text, End } kind;
        ChapterStart start;
        Line line;
    };
    bool take(const Line& l);
    bool chapter(const Line& l);
    bool volume(const Line& l);
    void hold(Event e);
    bool release(bool asVolume);

    Regex m_volume;
    Text m_text;
    std::string m_lastVolume; // the latest volume's words without blanks
    Waiting m_waiting = Waiting::None;
    std::deque<Event> m_held;
    std::deque<std::string> m_bytes; // what the held lines point at
    std::size_t m_heldBytes = 0;
};

// None when there is no volume pattern (or it does not compile: the book's checks tell that).
std::optional<StageMaker> volumeStage(const Text& pattern);

} // namespace pw
