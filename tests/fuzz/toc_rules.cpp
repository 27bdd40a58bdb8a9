// legado's txtTocRule lists as a file gives them: a list of presets or a refusal, never a
// crash; every preset kept compiles as the scan compiles it, and no two share a name.
#include <set>
#include <variant>

#include "fuzz_input.h"
#include "platform/regex.h"
#include "scan/shared_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const pw::SharedRulesLoad load = pw::parseSharedRules(std::string_view(reinterpret_cast<const char*>(data), size));
    std::set<std::string> ids;
    for (const pw::PatternPreset& p : load.rules.presets()) {
        PW_FUZZ_CHECK(ids.insert(p.id).second);
        PW_FUZZ_CHECK(!std::holds_alternative<pw::RegexError>(pw::Regex::compile(p.pattern)));
    }
    return 0;
}
