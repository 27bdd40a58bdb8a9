#include "stages/clean_rules.h"

#include <algorithm>
#include <climits>
#include <nlohmann/json.hpp>
#include <optional>

#include "platform/paths.h"
#include "platform/rule_files.h"

#include "stages/clean_match.h"

namespace pw {

namespace {

// The first of `keys` the item has (not null), or null: the current field names, then legado's older ones.
const nlohmann::json* anyOf(const nlohmann::json& item, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        const auto it = item.find(key);
        if (it != item.end() && !it->is_null()) return &*it;
    }
    return nullptr;
}

// A switch as the app writes it: true/false, or 1/0 in lists that went through other tools.
std::optional<bool> flag(const nlohmann::json* v) {
    if (!v) return std::nullopt;
    if (v->is_boolean()) return v->get<bool>();
    if (v->is_number_integer()) return v->get<std::int64_t>() != 0;
    return std::nullopt;
}

std::string ruleLabel(std::size_t index, const std::string& name) {
    return "第 " + std::to_string(index + 1) + " 条规则" + (name.empty() ? std::string() : "「" + name + "」");
}

} // namespace

CleanRulesLoad parseCleanRules(std::string_view json) {
    CleanRulesLoad out;
    if (nestedDeeperThan(json, kRuleNestingLimit)) {
        out.error = toUtf8(tooDeepText());
        return out;
    }
    const nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !(doc.is_array() || doc.is_object())) {
        out.error = "不是替换规则列表（应为 JSON 数组，每条含 name 与 pattern）";
        return out;
    }
    const auto refuse = [&](std::size_t i, const std::string& name, const std::string& why) {
        out.rules.clear();
        out.error = ruleLabel(i, name) + why;
        return out;
    };
    const std::size_t count = doc.is_array() ? doc.size() : 1;
    for (std::size_t i = 0; i < count; ++i) {
        const nlohmann::json& item = doc.is_array() ? doc[i] : doc;
        if (!item.is_object()) return refuse(i, {}, "不是规则（应为 JSON 对象）");
        CleanRule r;
        const nlohmann::json* name = anyOf(item, {"name", "replaceSummary"});
        if (name && !name->is_string()) return refuse(i, {}, "的 name 不是文字");
        if (name) r.name = visibleName(name->get<std::string>());
        const nlohmann::json* pattern = anyOf(item, {"pattern", "regex"});
        if (pattern && !pattern->is_string()) return refuse(i, r.name, "的 pattern 不是文字");
        const nlohmann::json* replacement = anyOf(item, {"replacement"});
        if (replacement && !replacement->is_string()) return refuse(i, r.name, "的 replacement 不是文字");
        if (replacement) r.replacement = replacement->get<std::string>();
        const nlohmann::json* regex = anyOf(item, {"isRegex"});
        const nlohmann::json* enabled = anyOf(item, {"isEnabled", "enable"});
        const nlohmann::json* title = anyOf(item, {"scopeTitle"});
        const nlohmann::json* content = anyOf(item, {"scopeContent"});
        for (const auto& [v, key] :
             {std::pair{regex, "isRegex"}, {enabled, "isEnabled"}, {title, "scopeTitle"}, {content, "scopeContent"}})
            if (v && !flag(v)) return refuse(i, r.name, std::string("的 ") + key + " 不是 true 或 false");
        const nlohmann::json* order = anyOf(item, {"order", "sortOrder", "serialNumber"});
        if (order && !order->is_number()) return refuse(i, r.name, "的 order 不是数");
        if (order)
            r.order = order->is_number_integer()
                          ? static_cast<int>(std::clamp<std::int64_t>(order->get<std::int64_t>(), INT32_MIN, INT32_MAX))
                          : static_cast<int>(order->get<double>());
        const bool isRegex = flag(regex).value_or(true), inTitle = flag(title).value_or(false),
                   inContent = flag(content).value_or(true);
        r.kind = isRegex ? RuleKind::Regex : RuleKind::Plain;
        r.enabled = flag(enabled).value_or(true) && (inTitle || inContent);
        r.scope = inTitle && inContent ? RuleScope::Both : inTitle ? RuleScope::Headings : RuleScope::Body;
        const std::string java = pattern ? pattern->get<std::string>() : std::string();
        r.pattern = isRegex ? javaPatternToPcre(java, true) : java;
        r.acrossLines = isRegex ? crossesLines(java) : java.find('\n') != std::string::npos;
        if (r.name.empty()) r.name = visibleName(java);
        if (r.pattern.empty()) {
            r.leftOut = "查找内容为空";
        } else if (r.enabled && isRegex) {
            std::string why;
            bool replacementFault = false;
            if (!compileRule(r, why, &replacementFault)) {
                if (replacementFault) return refuse(i, r.name, "的 replacement " + why);
                r.leftOut = why;
            }
        }
        out.rules.push_back(std::move(r));
    }
    // legado applies its rules by their order; equal ones stay as the file has them.
    std::stable_sort(out.rules.begin(), out.rules.end(),
                     [](const CleanRule& a, const CleanRule& b) { return a.order < b.order; });
    return out;
}

bool crossesLines(std::string_view p) {
    for (const char* piece :
         {"\\n", "\\r", "\\R", "(?s", "[\\s\\S]", "[\\S\\s]", "[\\w\\W]", "[\\W\\w]", "[\\d\\D]", "[\\D\\d]", "[^]"})
        if (p.find(piece) != std::string_view::npos) return true;
    return p.find('\n') != std::string_view::npos;
}

CleanRulesLoad readCleanRules(const std::string& path) {
    std::string bytes;
    if (auto why = readRuleFile(fromNativeBytes(path), bytes)) {
        CleanRulesLoad out;
        out.error = "无法读取：" + toUtf8(*why);
        return out;
    }
    return parseCleanRules(bytes);
}

std::int64_t CleanTally::total() const {
    std::int64_t n = 0;
    for (const std::int64_t c : counts)
        n += c;
    return n;
}

void CleanTally::prepare(const CleanRuleSet& rules) {
    if (counts.size() == rules.size() + rules.acrossCount()) return;
    names.clear();
    for (std::size_t i = 0; i < rules.size(); ++i)
        names.push_back(rules.rule(i).name);
    for (std::size_t i = 0; i < rules.acrossCount(); ++i)
        names.push_back(rules.acrossRule(i).name);
    counts.assign(names.size(), 0);
    switchedOff.clear();
}

CleanRuleSet::CleanRuleSet(std::vector<CleanRule> rules) {
    for (CleanRule& r : rules) {
        if (!r.enabled) continue;
        if (!r.leftOut.empty()) {
            m_skipped.push_back(r.name + "：" + r.leftOut);
            continue;
        }
        std::unique_ptr<Compiled> compiled;
        if (r.kind == RuleKind::Regex || r.kind == RuleKind::Plain) {
            std::string why;
            compiled = compileRule(r, why);
            if (!compiled) {
                m_skipped.push_back(r.name + "：" + why);
                continue;
            }
            if (r.acrossLines) {
                compiled->index = m_acrossRules.size(); // the chapter stage has its own matcher
                m_acrossRules.push_back(std::move(r));
                m_acrossCompiled.push_back(std::move(compiled));
                continue;
            }
            compiled->index = m_compiled.size();
        }
        m_rules.push_back(std::move(r));
        m_compiled.push_back(std::move(compiled));
    }
}

CleanRuleSet::~CleanRuleSet() = default;

} // namespace pw
