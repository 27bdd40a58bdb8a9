#include "stages/clean_match.h"

#include <variant>

#include "platform/regex.h"
#include "platform/text.h"

namespace pw {

namespace {

// legado's patterns are Java's: "$1" as PCRE2 has it, and a backslash that makes the next
// character plain ("\$").
std::string pcreReplacement(const std::string& java) {
    std::string out;
    for (std::size_t i = 0; i < java.size(); ++i) {
        if (java[i] == '\\' && i + 1 < java.size()) {
            ++i;
            if (java[i] == '$') out += "$$";
            else out += java[i];
        } else {
            out += java[i];
        }
    }
    return out;
}

bool limitHit(int rc) {
    return rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
           rc == PCRE2_ERROR_JIT_STACKLIMIT;
}

} // namespace

CleanRuleSet::Compiled::~Compiled() {
    if (code) pcre2_code_free(code);
}

std::unique_ptr<CleanRuleSet::Compiled> compileRule(const CleanRule& r, std::string& why) {
    auto c = std::make_unique<CleanRuleSet::Compiled>();
    if (r.kind == RuleKind::Plain) return c;
    int error = 0;
    PCRE2_SIZE offset = 0;
    std::uint32_t options = PCRE2_UTF | PCRE2_UCP;
    if (r.wholeLine) options |= PCRE2_CASELESS;
    c->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(r.pattern.data()), r.pattern.size(), options, &error, &offset,
                            nullptr);
    if (!c->code) {
        // In the words the heading pattern's refusals use, where they know the mistake.
        auto checked = Regex::compile(fromUtf8(r.pattern));
        if (const auto* e = std::get_if<RegexError>(&checked)) {
            why = toUtf8(e->message);
            return nullptr;
        }
        PCRE2_UCHAR buf[256];
        pcre2_get_error_message(error, buf, sizeof buf);
        why = std::string(reinterpret_cast<const char*>(buf)) + "（第 " + std::to_string(offset + 1) + " 个字节处）";
        return nullptr;
    }
    pcre2_jit_compile(c->code, PCRE2_JIT_COMPLETE); // without the JIT it only runs slower
    c->replacement = pcreReplacement(r.replacement);
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

RuleMatcher::RuleMatcher() {
    m_context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(m_context, kMatchLimit);
    pcre2_set_depth_limit(m_context, kDepthLimit);
    pcre2_set_heap_limit(m_context, kHeapLimitKiB);
    m_data = pcre2_match_data_create(32, nullptr);
}

RuleMatcher::~RuleMatcher() {
    pcre2_match_data_free(m_data);
    pcre2_match_context_free(m_context);
}

Applied RuleMatcher::apply(const CleanRule& r, const CleanRuleSet::Compiled& c, const std::string& text,
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
    const std::uint32_t options = PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH;
    PCRE2_SIZE size = text.size() * 2 + 64;
    for (int tries = 0; tries < 2; ++tries) {
        out.resize(size);
        PCRE2_SIZE got = size;
        const int n = pcre2_substitute(c.code, s, text.size(), 0, options, m_data, m_context, rep,
                                       c.replacement.size(), reinterpret_cast<PCRE2_UCHAR*>(out.data()), &got);
        if (n == PCRE2_ERROR_NOMEMORY) {
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
