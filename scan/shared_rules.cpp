#include "scan/shared_rules.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <variant>

#include "platform/regex.h"

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
    const nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !doc.is_array()) {
        out.error = u"不是规则列表（应为 JSON 数组，每条含 name 与 rule）";
        return out;
    }
    SharedRules& r = out.rules;
    for (const nlohmann::json& item : doc) {
        if (!item.is_object() || !item.contains("name") || !item.contains("rule") || !item["name"].is_string() ||
            !item["rule"].is_string()) {
            r.m_skipped.push_back(u"（无名规则）：缺少 name 或 rule");
            continue;
        }
        const std::string name = item["name"].get<std::string>();
        const Text rule = ruleForLines(fromUtf8(item["rule"].get<std::string>()));
        auto compiled = Regex::compile(rule);
        if (auto* err = std::get_if<RegexError>(&compiled)) {
            r.m_skipped.push_back(fromUtf8(name) + u"：" + err->message);
            continue;
        }
        if (findPreset(name) || std::any_of(r.m_presets.begin(), r.m_presets.end(),
                                            [&](const PatternPreset& p) { return name == p.id; })) {
            r.m_skipped.push_back(fromUtf8(name) + u"：名称与前面的预设重复");
            continue;
        }
        const std::string example = item.contains("example") && item["example"].is_string()
                                        ? item["example"].get<std::string>()
                                        : std::string();
        const bool enabled = !item.contains("enable") || !item["enable"].is_boolean() || item["enable"].get<bool>();
        const char* id = r.m_ids.emplace_back(name).c_str();
        const char16_t* label = r.m_texts.emplace_back(fromUtf8(name)).c_str();
        const char16_t* pattern = r.m_texts.emplace_back(rule).c_str();
        const char16_t* ex = r.m_texts.emplace_back(fromUtf8(example)).c_str();
        r.m_presets.push_back({id, label, pattern, patternPresets().front().volumePattern, ex, enabled});
    }
    return out;
}

SharedRulesLoad loadSharedRules(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        SharedRulesLoad out;
        out.error = u"无法读取规则文件";
        return out;
    }
    return parseSharedRules(text.str());
}

} // namespace pw
