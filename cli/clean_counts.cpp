#include "cli/clean_counts.h"

namespace pw::cli {

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
