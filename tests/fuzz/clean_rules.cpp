// legado's replace rules as a file gives them: whatever the bytes, the loader answers with
// rules or a refusal, never a crash, and every rule it keeps compiles and runs on a line.
#include "stages/clean_rules.h"
#include "fuzz_input.h"
#include "stages/clean_match.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    const pw::CleanRulesLoad load = pw::parseCleanRules(json);
    PW_FUZZ_CHECK(load.error.empty() || load.rules.empty());
    for (const pw::CleanRule& r : load.rules)
        for (const char c : r.name)
            PW_FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F); // printed on a terminal
    pw::CleanRuleSet set(load.rules);
    pw::RuleMatcher matcher;
    std::string out;
    for (std::size_t i = 0; i < set.size(); ++i)
        (void)matcher.apply(set.rule(i), set.compiled(i), "第一章 广告 www.example.com 12元", out);
    return 0;
}
