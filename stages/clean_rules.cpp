#include "stages/clean_rules.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "stages/clean_match.h"

namespace pw {

namespace {

// A JSON field, if it is there with the right type.
template <typename T> bool field(const nlohmann::json& item, const char* key, T& into) {
    const auto it = item.find(key);
    if (it == item.end() || it->is_null()) return false;
    try {
        into = it->get<T>();
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

} // namespace

CleanRulesLoad parseCleanRules(std::string_view json) {
    CleanRulesLoad out;
    const nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !(doc.is_array() || doc.is_object())) {
        out.error = "不是替换规则列表（应为 JSON 数组，每条含 name 与 pattern）";
        return out;
    }
    const nlohmann::json list = doc.is_array() ? doc : nlohmann::json::array({doc});
    for (const nlohmann::json& item : list) {
        if (!item.is_object()) continue;
        CleanRule r;
        if (!field(item, "pattern", r.pattern) || r.pattern.empty()) continue;
        if (!field(item, "name", r.name) || r.name.empty()) r.name = r.pattern;
        field(item, "replacement", r.replacement);
        bool regex = true, enabled = true, title = false, content = true;
        field(item, "isRegex", regex);
        field(item, "isEnabled", enabled);
        field(item, "scopeTitle", title);
        field(item, "scopeContent", content);
        r.kind = regex ? RuleKind::Regex : RuleKind::Plain;
        r.enabled = enabled && (title || content);
        r.scope = title && content ? RuleScope::Both : title ? RuleScope::Headings : RuleScope::Body;
        if (!field(item, "order", r.order)) field(item, "sortOrder", r.order);
        out.rules.push_back(std::move(r));
    }
    // legado applies its rules by their order; equal ones stay as the file has them.
    std::stable_sort(out.rules.begin(), out.rules.end(),
                     [](const CleanRule& a, const CleanRule& b) { return a.order < b.order; });
    return out;
}

CleanRulesLoad readCleanRules(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        CleanRulesLoad out;
        out.error = "无法读取";
        return out;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return parseCleanRules(bytes.str());
}

std::int64_t CleanTally::total() const {
    std::int64_t n = 0;
    for (const std::int64_t c : counts)
        n += c;
    return n;
}

CleanRuleSet::CleanRuleSet(std::vector<CleanRule> rules) {
    for (CleanRule& r : rules) {
        if (!r.enabled) continue;
        std::unique_ptr<Compiled> compiled;
        if (r.kind == RuleKind::Regex || r.kind == RuleKind::Plain) {
            std::string why;
            compiled = compileRule(r, why);
            if (!compiled) {
                m_skipped.push_back(r.name + "：" + why);
                continue;
            }
        }
        m_rules.push_back(std::move(r));
        m_compiled.push_back(std::move(compiled));
    }
}

CleanRuleSet::~CleanRuleSet() = default;

} // namespace pw
