#include "app/text_choices.h"

#include <map>

#include "convert/chinese_converter.h"

namespace pw {

ChosenRules loadChosenRules(const TextChoices& c) {
    ChosenRules out;
    std::vector<CleanRule> rules;
    if (c.clean) rules = builtInCleanRules();
    for (const QString& file : c.ruleFiles) {
        CleanRulesLoad load = readCleanRules(file.toStdString());
        if (!load.error.empty()) {
            out.error = QStringLiteral("净化规则文件 ") + file + QStringLiteral(" ") + QString::fromStdString(load.error);
            return out;
        }
        for (CleanRule& r : load.rules)
            rules.push_back(std::move(r));
    }
    out.rules = std::make_shared<const CleanRuleSet>(std::move(rules));
    return out;
}

std::vector<ConversionChoice> conversionChoices() {
    static const std::map<std::string, const char16_t*> what = {
        {"s2t", u"简体→繁体"},           {"t2s", u"繁体→简体"},
        {"s2tw", u"简体→台湾正体"},      {"tw2s", u"台湾正体→简体"},
        {"s2twp", u"简体→台湾正体，含惯用词"}, {"tw2sp", u"台湾正体→简体，含惯用词"},
        {"s2hk", u"简体→香港繁体"},      {"hk2s", u"香港繁体→简体"},
        {"t2tw", u"繁体→台湾正体"},      {"tw2t", u"台湾正体→繁体"},
        {"t2hk", u"繁体→香港繁体"},      {"hk2t", u"香港繁体→繁体"},
        {"t2jp", u"繁体→日文新字体"},    {"jp2t", u"日文新字体→繁体"},
    };
    std::vector<ConversionChoice> out;
    for (const std::string& name : installedConversions()) {
        const QString n = QString::fromStdString(name);
        const auto it = what.find(name);
        out.push_back({n, it == what.end() ? n : n + QStringLiteral("（") + QString::fromUtf16(it->second) + QStringLiteral("）")});
    }
    return out;
}

} // namespace pw
