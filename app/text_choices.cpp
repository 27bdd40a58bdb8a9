#include "app/text_choices.h"

#include <algorithm>

#include "convert/chinese_converter.h"

namespace pw {

ChosenRules loadChosenRules(const TextChoices& c) {
    ChosenRules out;
    std::vector<CleanRule> rules;
    if (c.clean) rules = builtInCleanRules();
    for (const QString& file : c.ruleFiles) {
        CleanRulesLoad load = readCleanRules(file.toStdString());
        if (!load.error.empty()) {
            out.error =
                QStringLiteral("净化规则文件 ") + file + QStringLiteral(" ") + QString::fromStdString(load.error);
            return out;
        }
        for (CleanRule& r : load.rules)
            rules.push_back(std::move(r));
    }
    out.rules = std::make_shared<const CleanRuleSet>(std::move(rules));
    return out;
}

std::vector<ConversionChoice> conversionChoices() {
    // In the order shown. A novel is most often wanted in the other script, then in Taiwan's or
    // Hong Kong's standard; sorted by code, t2s came among the last.
    struct Known {
        const char* name;
        const char16_t* what;
        bool common;
    };
    static constexpr Known kKnown[] = {
        {"s2t", u"简体→繁体", true},
        {"t2s", u"繁体→简体", true},
        {"s2tw", u"简体→台湾正体", true},
        {"s2twp", u"简体→台湾正体，含台湾用词", true},
        {"s2hk", u"简体→香港繁体", true},
        {"tw2s", u"台湾正体→简体", false},
        {"tw2sp", u"台湾正体→简体，含大陆用词", false},
        {"hk2s", u"香港繁体→简体", false},
        {"t2tw", u"繁体→台湾正体", false},
        {"tw2t", u"台湾正体→繁体", false},
        {"t2hk", u"繁体→香港繁体", false},
        {"hk2t", u"香港繁体→繁体", false},
        {"t2jp", u"繁体→日文新字体", false},
        {"jp2t", u"日文新字体→繁体", false},
    };
    std::vector<std::string> installed = installedConversions();
    std::vector<ConversionChoice> out;
    for (const Known& k : kKnown) {
        const auto it = std::find(installed.begin(), installed.end(), k.name);
        if (it == installed.end()) continue;
        installed.erase(it);
        const QString name = QString::fromLatin1(k.name);
        out.push_back(
            {name, QString::fromUtf16(k.what) + QStringLiteral("（") + name + QStringLiteral("）"), k.common});
    }
    // Configurations this list does not know, by their code.
    for (const std::string& name : installed)
        out.push_back({QString::fromStdString(name), QString::fromStdString(name), false});
    return out;
}

} // namespace pw
