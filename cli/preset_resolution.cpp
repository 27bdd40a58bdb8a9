#include "cli/preset_resolution.h"

#include <filesystem>

#include "cli/command.h"
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
    // Output with neither a pattern nor a preset chooses the rule for the novel, as --preset auto
    // does, and says so in one line: a reader who does not write regular expressions still gets
    // the novel's chapters. The listing keeps the window's default, so that scan shows what the
    // window's field would find.
    const bool chooseForUser = !o.preset && !o.pattern && o.command && o.command->writesNovel();
    if (!chooseForUser && (!o.preset || findPreset(*o.preset))) return std::nullopt;
    const std::vector<PatternPreset> all = rules.withBuiltIns();
    const PatternPreset* chosen = o.preset ? rules.find(*o.preset) : nullptr;
    if (chooseForUser || *o.preset == kAutoPresetId) {
        const SampleLines sample = readSampleLines(std::filesystem::path(o.file), kPresetSampleBytes, o.encoding);
        if (sample.error) {
            // The run itself tells why the file cannot be read, in its own words.
            if (chooseForUser) return std::nullopt;
            std::fprintf(err, "%s: %s\n", o.file.c_str(), toUtf8(*sample.error).c_str());
            return kExitRefused;
        }
        const StructureChoice choice = chooseStructure(sample.lines, all);
        // Asked for by name: the reason and every preset's counts, now. Chosen for the user: the
        // reason, told with the run's other notes when it is done (a refusal stays one line).
        if (chooseForUser) {
            o.chosenReason = toUtf8(choice.reason);
        } else if (!o.quiet || !choice.preset) {
            std::fprintf(err, "%s\n", toUtf8(choice.reason).c_str());
            const std::vector<Text> trials = presetChoiceLines(choice.trials);
            for (std::size_t i = 1; i < trials.size(); ++i)
                std::fprintf(err, "%s\n", toUtf8(trials[i]).c_str());
        }
        // Nothing fits: the user's choice was refused; without one, the default pattern is tried.
        if (!choice.preset) return chooseForUser ? std::nullopt : std::optional<int>(kExitRefused);
        // The rule and the volumes the structure found, as if the user had written them.
        o.pattern = toUtf8(choice.pattern);
        o.preset.reset();
        if (!o.volumePattern && !choice.volumePattern.empty()) o.volumePattern = toUtf8(choice.volumePattern);
        o.chosenForUser = true;
        return std::nullopt;
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
    if (o.quiet) return; // advice, not an error
    const std::string finding = presetsThatFind(o, rules, encoding);
    if (!finding.empty()) std::fprintf(err, "%s\n", finding.c_str());
}

} // namespace pw::cli
