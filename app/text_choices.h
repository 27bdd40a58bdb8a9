#pragma once
// What the window does to a novel's text besides cutting it, chosen in 输出(O)'s right-click
// menu or the book's dialog, for the rest of the session: the clean-up rules (the built-in
// set and legado rule files) and a Traditional↔Simplified conversion.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "stages/clean_rules.h"

namespace pw {

struct TextChoices {
    bool clean = false;    // the built-in set
    QStringList ruleFiles; // legado replace-rule files
    QString convert;       // an OpenCC configuration's name, or empty
    bool cleaning() const { return clean || !ruleFiles.isEmpty(); }
};

struct ChosenRules {
    std::shared_ptr<const CleanRuleSet> rules; // none when a file could not be read
    QString error;                             // then why
};
ChosenRules loadChosenRules(const TextChoices& c);

// The installed conversions, named by what they do: "繁体→简体（t2s）". The ones most asked for
// come first and are `common`; the rest follow, for a menu to set apart.
struct ConversionChoice {
    QString name, label;
    bool common = false;
};
std::vector<ConversionChoice> conversionChoices();

} // namespace pw
