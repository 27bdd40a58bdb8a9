#include "cli/preset_resolution.h"

#include <filesystem>

#include "cli/option_rows.h"
#include "scan/preset_choice.h"
#include "scan/presets.h"

namespace pw::cli {

std::optional<SharedRules> loadRules(const CliOptions& o, std::FILE* err, int& status) {
    if (!o.rules) return SharedRules();
    SharedRulesLoad load = loadSharedRules(std::filesystem::path(*o.rules));
    if (load.error) {
        std::fprintf(err, "%s: %s\n", o.rules->c_str(), toUtf8(*load.error).c_str());
        status = kExitUsage;
        return std::nullopt;
    }
    for (const Text& skipped : load.rules.skipped())
        std::fprintf(err, "跳过规则 %s\n", toUtf8(skipped).c_str());
    return std::move(load.rules);
}

std::optional<int> resolvePreset(CliOptions& o, const SharedRules& rules, std::FILE* err) {
    if (!o.preset || findPreset(*o.preset)) return std::nullopt;
    const std::vector<PatternPreset> all = rules.withBuiltIns();
    const PatternPreset* chosen = rules.find(*o.preset);
    if (*o.preset == kAutoPresetId) {
        const SampleLines sample = readSampleLines(std::filesystem::path(o.file));
        if (sample.error) {
            std::fprintf(err, "%s: %s\n", o.file.c_str(), toUtf8(*sample.error).c_str());
            return kExitUsage;
        }
        const PresetChoice choice = choosePreset(sample.lines, all);
        for (const Text& line : presetChoiceLines(choice))
            std::fprintf(err, "%s\n", toUtf8(line).c_str());
        if (!choice.chosen) return kExitUsage;
        chosen = choice.chosen;
    } else if (!chosen) {
        std::string ids;
        for (const PatternPreset& p : all)
            ids += (ids.empty() ? "" : "、") + std::string(p.id);
        std::fprintf(err, "pagewright-cli: --preset %s。\n", unknownPresetText(*o.preset, ids).c_str());
        return kExitUsage;
    }
    if (findPreset(chosen->id)) {
        o.preset = chosen->id;
    } else {
        o.pattern = toUtf8(chosen->pattern);
        o.preset.reset();
    }
    return std::nullopt;
}

std::string presetsThatFind(const CliOptions& o, const SharedRules& rules, std::optional<Encoding> encoding) {
    const SampleLines sample = readSampleLines(std::filesystem::path(o.file), kPresetSampleBytes, encoding);
    return sample.error ? std::string() : toUtf8(presetsThatFindText(choosePreset(sample.lines, rules.withBuiltIns())));
}

void namePresetsThatFind(const CliOptions& o, const SharedRules& rules, Encoding encoding, std::FILE* err) {
    const std::string finding = presetsThatFind(o, rules, encoding);
    if (!finding.empty()) std::fprintf(err, "%s\n", finding.c_str());
}

} // namespace pw::cli
