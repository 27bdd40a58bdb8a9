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
    int evenness = 0; // percent of the chapters between kept headings within a factor of four of the median
    double score = 0;
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

// What people read: the choice and why ("自动选择：chapter（第…章）……"), then a line per preset
// with its counts.
std::vector<Text> presetChoiceLines(const PresetChoice& c);
// The presets that find headings, for a scan that found none: "可改用预设：hui（第…回，120 处）、…";
// empty when none does.
Text presetsThatFindText(const PresetChoice& c);

} // namespace pw
