#include "scan/shared_rules.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <unordered_set>
#include <variant>

#include "platform/paths.h"
#include "platform/regex.h"
#include "platform/rule_files.h"

namespace pw {

std::vector<PatternPreset> SharedRules::withBuiltIns() const {
    std::vector<PatternPreset> all(patternPresets().begin(), patternPresets().end());
    all.insert(all.end(), m_presets.begin(), m_presets.end());
    return all;
}

const PatternPreset* SharedRules::find(std::string_view id) const {
    if (const PatternPreset* p = findPreset(id)) return p;
    const auto it = std::find_if(m_presets.begin(), m_presets.end(), [&](const PatternPreset& p) { return id == p.id; });
    return it == m_presets.end() ? nullptr : &*it;
}

Text ruleForLines(TextView rule) {
    if (!rule.starts_with(u"(?<=")) return Text(rule);
    // The end of the look-behind group: brackets counted, classes and escapes skipped.
    int depth = 0;
    bool inClass = false;
    for (std::size_t i = 0; i < rule.size(); ++i) {
        const char16_t c = rule[i];
        if (c == u'\\') {
            ++i;
        } else if (inClass) {
            inClass = c != u']';
        } else if (c == u'[') {
            inClass = true;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && --depth == 0) {
            return u"(?:^|" + Text(rule.substr(0, i + 1)) + u")" + Text(rule.substr(i + 1));
        }
    }
    return Text(rule);
}

SharedRulesLoad parseSharedRules(std::string_view json) {
    SharedRulesLoad out;
    if (nestedDeeperThan(json, kRuleNestingLimit)) {
        out.error = tooDeepText();
        return out;
    }
    const nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !doc.is_array()) {
        out.error = u"不是规则列表（应为 JSON 数组，每条含 name 与 rule）";
        return out;
    }
    SharedRules& r = out.rules;
    // Names seen, for the duplicates: a set, so that a list of 200,000 rules loads in linear time.
    std::unordered_set<std::string> names;
    for (const PatternPreset& p : patternPresets())
        names.insert(p.id);
    const auto field = [](const nlohmann::json& item,
                          std::initializer_list<const char*> keys) -> const nlohmann::json* {
        for (const char* key : keys)
            if (const auto it = item.find(key); it != item.end() && it->is_string()) return &*it;
        return nullptr;
    };
    for (std::size_t i = 0; i < doc.size(); ++i) {
        const nlohmann::json& item = doc[i];
        const nlohmann::json* nameField = item.is_object() ? field(item, {"name"}) : nullptr;
        const nlohmann::json* ruleField = item.is_object() ? field(item, {"rule", "regex", "pattern"}) : nullptr;
        const std::string name = nameField ? visibleName(nameField->get<std::string>()) : std::string();
        if (!nameField || !ruleField || name.empty()) {
            const Text label =
                name.empty() ? u"（第 " + decimal(static_cast<std::int64_t>(i + 1)) + u" 条，无名）" : fromUtf8(name);
            r.m_skipped.push_back(label + (item.is_object() ? u"：缺少 name 或 rule，或不是文字" : u"：不是规则"));
            continue;
        }
        // The app's regular expressions are Java's; \u is read by the scan's own options.
        const Text rule = ruleForLines(fromUtf8(javaPatternToPcre(ruleField->get<std::string>(), false)));
        if (auto err = Regex::check(rule)) {
            r.m_skipped.push_back(fromUtf8(name) + u"：" + err->message);
            continue;
        }
        if (!names.insert(name).second) {
            r.m_skipped.push_back(fromUtf8(name) + u"：名称与前面的预设重复");
            continue;
        }
        const nlohmann::json* exampleField = field(item, {"example"});
        const std::string example = exampleField ? exampleField->get<std::string>() : std::string();
        const auto enable = item.find("enable");
        const bool enabled = enable == item.end() || !(enable->is_boolean() || enable->is_number_integer()) ||
                             (enable->is_boolean() ? enable->get<bool>() : enable->get<std::int64_t>() != 0);
        const char* id = r.m_ids.emplace_back(name).c_str();
        const char16_t* label = r.m_texts.emplace_back(fromUtf8(name)).c_str();
        const char16_t* pattern = r.m_texts.emplace_back(rule).c_str();
        const char16_t* ex = r.m_texts.emplace_back(fromUtf8(example)).c_str();
        r.m_presets.push_back({id, label, pattern, patternPresets().front().volumePattern, ex, enabled});
    }
    return out;
}

SharedRulesLoad loadSharedRules(const std::filesystem::path& file) {
    std::string bytes;
    if (auto why = readRuleFile(fromPath(file), bytes)) {
        SharedRulesLoad out;
        out.error = u"无法读取规则文件：" + *why;
        return out;
    }
    return parseSharedRules(bytes);
}

} // namespace pw
