#include "stages/clean_match.h"

#include <chrono>
#include <ctime>
#include <variant>

#include "platform/regex.h"
#include "platform/text.h"

namespace pw {

namespace {

// A replacement as Java's Matcher reads it, in PCRE2's syntax: \x is x; $n takes as many
// digits as still name a group ($12 with one group is group 1, then "2"); ${name} a named
// group. What Java refuses is refused, with why: a rule that would silently do nothing.
bool pcreReplacement(const std::string& java, const pcre2_code* code, std::string& out, std::string& why) {
    std::uint32_t groups = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
    out.clear();
    for (std::size_t i = 0; i < java.size(); ++i) {
        const char c = java[i];
        if (c == '\\') {
            if (++i == java.size()) {
                why = "以单独的 \\ 结尾（要写 \\ 本身请用 \\\\）";
                return false;
            }
            if (java[i] == '$')
                out += "$$";
            else
                out += java[i];
        } else if (c == '$') {
            if (i + 1 < java.size() && java[i + 1] == '{') {
                const std::size_t close = java.find('}', i + 2);
                const std::string name = close == std::string::npos ? "" : java.substr(i + 2, close - i - 2);
                if (name.empty() ||
                    pcre2_substring_number_from_name(code, reinterpret_cast<PCRE2_SPTR>(name.c_str())) < 0) {
                    why = "引用了规则中没有的分组 ${" + name + "}";
                    return false;
                }
                out += "${" + name + "}";
                i = close;
            } else if (i + 1 < java.size() && java[i + 1] >= '0' && java[i + 1] <= '9') {
                std::uint32_t n = static_cast<std::uint32_t>(java[++i] - '0');
                if (n > groups) {
                    why = "引用了规则中没有的分组 $" + std::to_string(n) + "（规则只有 " + std::to_string(groups) +
                          " 个分组）";
                    return false;
                }
                while (i + 1 < java.size() && java[i + 1] >= '0' && java[i + 1] <= '9' &&
                       n * 10 + static_cast<std::uint32_t>(java[i + 1] - '0') <= groups)
                    n = n * 10 + static_cast<std::uint32_t>(java[++i] - '0');
                out += "${" + std::to_string(n) + "}";
            } else {
                why = i + 1 == java.size() ? "以单独的 $ 结尾（要写 $ 本身请用 \\$）"
                                           : "中的 $ 后面不是分组号（要写 $ 本身请用 \\$）";
                return false;
            }
        } else {
            out += c;
        }
    }
    return true;
}

bool limitHit(int rc) {
    return rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
           rc == PCRE2_ERROR_JIT_STACKLIMIT;
}

} // namespace

CleanRuleSet::Compiled::~Compiled() {
    if (code) pcre2_code_free(code);
}

std::unique_ptr<CleanRuleSet::Compiled> compileRule(const CleanRule& r, std::string& why, bool* replacementFault) {
    auto c = std::make_unique<CleanRuleSet::Compiled>();
    if (r.kind == RuleKind::Plain) return c;
    int error = 0;
    PCRE2_SIZE offset = 0;
    std::uint32_t options = PCRE2_UTF | PCRE2_UCP;
    if (r.wholeLine) options |= PCRE2_CASELESS;
    c->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(r.pattern.data()), r.pattern.size(), options, &error, &offset,
                            nullptr);
    if (!c->code) {
        // In the words the heading pattern's refusals use, for this refusal: compiled again
        // with the heading pattern's options, a rule may fail elsewhere and be told wrong.
        why = toUtf8(regexErrorText(error));
        return nullptr;
    }
    if (r.wholeLine) {
        c->replacement.clear();
    } else if (!pcreReplacement(r.replacement, c->code, c->replacement, why)) {
        if (replacementFault) *replacementFault = true;
        return nullptr;
    }
    pcre2_jit_compile(c->code, PCRE2_JIT_COMPLETE); // without the JIT it only runs slower
    return c;
}

void foldWidth(const std::string& utf8, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        // U+FF01–U+FF5E are EF BC 81–EF BD 9E; U+3000 is E3 80 80.
        if (b == 0xEF && i + 2 < utf8.size()) {
            const auto b1 = static_cast<unsigned char>(utf8[i + 1]), b2 = static_cast<unsigned char>(utf8[i + 2]);
            const unsigned cp = ((b1 & 0x3Fu) << 6 | (b2 & 0x3Fu)) | 0xF000u;
            if (cp >= 0xFF01 && cp <= 0xFF5E) {
                out += static_cast<char>(cp - 0xFF01 + 0x21);
                i += 2;
                continue;
            }
        } else if (b == 0xE3 && i + 2 < utf8.size() && utf8[i + 1] == '\x80' && utf8[i + 2] == '\x80') {
            out += ' ';
            i += 2;
            continue;
        }
        out += utf8[i];
    }
}

RuleMatcher::RuleMatcher(std::int64_t runBudgetNs) : m_runBudgetNs(runBudgetNs) {
    m_context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(m_context, kMatchLimit);
    pcre2_set_depth_limit(m_context, kDepthLimit);
    pcre2_set_heap_limit(m_context, kHeapLimitKiB);
    m_data = pcre2_match_data_create(32, nullptr);
    // The default 32 KiB stack of the JIT ends a group repeated over a whole chapter
    // ((.|\n)* in a rule that runs on the chapter's text).
    m_stack = pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr);
    if (m_stack) pcre2_jit_stack_assign(m_context, nullptr, m_stack);
}

RuleMatcher::~RuleMatcher() {
    pcre2_match_data_free(m_data);
    pcre2_match_context_free(m_context);
    pcre2_jit_stack_free(m_stack);
}

Applied RuleMatcher::apply(const CleanRule& r, const CleanRuleSet::Compiled& c, const std::string& text,
                           std::string& out) {
    if (c.index >= m_spent.size()) m_spent.resize(c.index + 1);
    Spent& spent = m_spent[c.index];
    const std::int64_t start = coarseClockNs();
    const Applied applied = applyOnce(r, c, text, out);
    spent.ns += coarseClockNs() - start;
    ++spent.lines;
    if (spent.ns > m_runBudgetNs && spent.ns > spent.lines * kLineBudgetNs) return Applied::LimitHit;
    return applied;
}

Applied RuleMatcher::applyOnce(const CleanRule& r, const CleanRuleSet::Compiled& c, const std::string& text,
                               std::string& out) {
    if (r.kind == RuleKind::Plain) {
        if (text.find(r.pattern) == std::string::npos) return Applied::Unchanged;
        out.clear();
        for (std::size_t at = 0;;) {
            const std::size_t hit = text.find(r.pattern, at);
            if (hit == std::string::npos) {
                out.append(text, at);
                break;
            }
            out.append(text, at, hit - at).append(r.replacement);
            at = hit + r.pattern.size();
            if (out.size() > growthCap(text.size())) return Applied::LimitHit;
        }
        return out == text ? Applied::Unchanged : Applied::Changed;
    }
    const std::string* subject = &text;
    if (r.wholeLine) {
        foldWidth(text, m_folded);
        subject = &m_folded;
    }
    const auto* s = reinterpret_cast<PCRE2_SPTR>(subject->data());
    const int rc = pcre2_match(c.code, s, subject->size(), 0, 0, m_data, m_context);
    if (rc == PCRE2_ERROR_NOMATCH) return Applied::Unchanged;
    if (limitHit(rc)) return Applied::LimitHit;
    if (rc < 0) return Applied::Unchanged; // nothing else fails on valid UTF-8
    if (r.wholeLine) {
        out.clear();
        return Applied::Changed;
    }
    const auto* rep = reinterpret_cast<PCRE2_SPTR>(c.replacement.data());
    // A group that took no part gives nothing, as in Java.
    const std::uint32_t options =
        PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_SUBSTITUTE_UNSET_EMPTY;
    PCRE2_SIZE size = text.size() * 2 + 64;
    for (int tries = 0; tries < 2; ++tries) {
        out.resize(size);
        PCRE2_SIZE got = size;
        const int n = pcre2_substitute(c.code, s, text.size(), 0, options, m_data, m_context, rep, c.replacement.size(),
                                       reinterpret_cast<PCRE2_UCHAR*>(out.data()), &got);
        if (n == PCRE2_ERROR_NOMEMORY) {
            // `got` is the length it needs: past the cap, the rule floods the line.
            if (got > growthCap(text.size())) return Applied::LimitHit;
            size = got + 1;
            continue;
        }
        if (limitHit(n)) return Applied::LimitHit;
        if (n <= 0) return Applied::Unchanged; // a replacement PCRE2 refuses ("$9" of no group) changes nothing
        out.resize(got);
        return out == text ? Applied::Unchanged : Applied::Changed;
    }
    return Applied::Unchanged;
}

} // namespace pw
