#pragma once
// Choosing the heading rule for a file: every preset is tried on the file's first part, and
// the one whose matches are many, evenly spaced and least suspect wins. The same trials name
// the presets that would find headings when the user's pattern finds none.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "platform/encoding.h"
#include "platform/text.h"
#include "scan/presets.h"

namespace pw {

struct PresetTrial {
    const PatternPreset* preset = nullptr;
    bool compiled = true;
    std::int64_t matches = 0;
    std::int64_t suspects = 0;
    std::int64_t contents = 0; // of the suspects, lines of a table of contents and nothing else
    int evenness = 0;          // percent of the chapters between kept headings within a factor of four of the median
    int front = 0;             // percent of the sample before the first heading that looks real: the front matter
    std::int64_t copies = 0;   // of the suspects, a heading's copies a line or two after it (二十 written thrice)
    int titled = 0;            // of a bare number's lines that look real, percent with a title after the number
    double score = 0;
    // Whether the automatic choice may take it: two headings that look real, most of the text
    // after the first of them, and chapters not wildly uneven.
    bool eligible = false;
};

struct PresetChoice {
    const PatternPreset* chosen = nullptr; // none when no preset finds two headings that look real
    std::vector<PresetTrial> trials;       // in the order of the presets tried
};

// How much of a file the trials read.
inline constexpr std::size_t kPresetSampleBytes = 512 * 1024;

// The decoded lines of the file's first `bytes` (the encoding found as the scan finds it, or
// the one given). Empty with an error text when the file cannot be read.
struct SampleLines {
    std::vector<Text> lines;
    std::optional<Text> error;
};
SampleLines readSampleLines(const std::filesystem::path& file, std::size_t bytes = kPresetSampleBytes,
                            std::optional<Encoding> encoding = std::nullopt);

// Tries the presets that take part in the automatic choice on the lines.
PresetChoice choosePreset(const std::vector<Text>& lines, std::span<const PatternPreset> presets);

// What people read: the choice and why ("自动选择「第…章」：……"), then a line per preset with its
// counts. Presets go by their labels, the names the window shows.
std::vector<Text> presetChoiceLines(const PresetChoice& c);
// The presets that find headings, for a scan that found none, counted as the window's preset menu
// counts them: "可改用预设：「第…回」120 个标题，1 个可疑；…（按文件开头 512 KB 计）"; empty when
// none does.
Text presetsThatFindText(const PresetChoice& c);

// The structure of a book with no pattern given: the chapter rule and the volume rule, chosen
// together. The rule is the chosen preset's, widened to the chapters of its kind behind volume
// labels (第一季 第二卷 怒海潜沙 第一章 is a chapter of volume 2), to the unnumbered chapters
// (楔子, 尾声…) and, when the text has volume lines of their own, to those lines; the volume
// rule then tells them from the chapters in the book.
struct StructureChoice {
    const PatternPreset* preset = nullptr; // none when no preset fits: `pattern` is empty then
    Text pattern;
    Text volumePattern;       // the kept headings that are volumes; empty when the text shows none
    std::int64_t volumes = 0; // volume lines seen in the sample
    Text reason;              // one line, naming the presets by their labels
    PresetChoice trials;
};
StructureChoice chooseStructure(const std::vector<Text>& lines, std::span<const PatternPreset> presets);

} // namespace pw
