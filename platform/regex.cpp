#include "platform/regex.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <pcre2.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace pw {

namespace {

constexpr std::uint32_t kCompileOptions = PCRE2_UTF | PCRE2_CASELESS | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                                          PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 8 * 1024 * 1024;
constexpr std::uint32_t kHeapLimitKiB = 16 * 1024; // only the interpreter uses it (no JIT)
// PCRE2 does not say how many steps a match took, only whether it stayed under the limit.
// So each line is tried under a small limit first, and under a limit four times larger each
// time that one runs out: a line is charged what it was proven to need (the limits it ran
// through), and the retries cost at most a third more than one try with the full limit.
constexpr std::uint32_t kFirstTry = 1000;
constexpr std::uint32_t kTryGrowth = 4;


// PCRE2 wants a real pointer even for an empty string.
const char16_t kEmpty[1] = {0};

PCRE2_SPTR16 sptr(TextView s) {
    return reinterpret_cast<PCRE2_SPTR16>(s.empty() ? kEmpty : s.data());
}

Text engineMessage(int code) {
    PCRE2_UCHAR16 buf[256];
    const int n = pcre2_get_error_message(code, buf, 256);
    if (n < 0) return u"PCRE2 error " + decimal(code);
    return Text(reinterpret_cast<const char16_t*>(buf), static_cast<std::size_t>(n));
}

// What a person typing a heading pattern usually gets wrong, in the program's language. The
// engine's own words stay for the rarer refusals, which name features few people use.
Text compileErrorText(int code) {
    switch (code) {
    case PCRE2_ERROR_END_BACKSLASH: return u"末尾的反斜杠 \\ 后面缺少字符";
    case PCRE2_ERROR_END_BACKSLASH_C: return u"末尾的 \\c 后面缺少字符";
    case PCRE2_ERROR_UNKNOWN_ESCAPE:
    case PCRE2_ERROR_UNSUPPORTED_ESCAPE_SEQUENCE: return u"不认识反斜杠 \\ 后面的字符";
    case PCRE2_ERROR_ESCAPE_INVALID_IN_CLASS: return u"方括号 [] 里不能用这个转义";
    case PCRE2_ERROR_QUANTIFIER_OUT_OF_ORDER: return u"花括号 {} 里的次数前大后小";
    case PCRE2_ERROR_QUANTIFIER_TOO_BIG: return u"花括号 {} 里的次数太大";
    case PCRE2_ERROR_QUANTIFIER_INVALID: return u"重复符号前面没有可以重复的内容";
    case PCRE2_ERROR_MISSING_SQUARE_BRACKET: return u"缺少右方括号 ]";
    case PCRE2_ERROR_CLASS_RANGE_ORDER: return u"方括号 [] 里的范围前大后小";
    case PCRE2_ERROR_CLASS_INVALID_RANGE: return u"方括号 [] 里的范围无效";
    case PCRE2_ERROR_POSIX_CLASS_NOT_IN_CLASS: return u"[:…:] 只能写在方括号 [] 里";
    case PCRE2_ERROR_UNKNOWN_POSIX_CLASS: return u"不认识的字符类名称 [:…:]";
    case PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS: return u"缺少右括号 )";
    case PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS: return u"多了一个右括号 )";
    case PCRE2_ERROR_MISSING_COMMENT_CLOSING: return u"注释 (?# 缺少右括号 )";
    case PCRE2_ERROR_MISSING_CONDITION_CLOSING: return u"条件 (?( 缺少右括号 )";
    case PCRE2_ERROR_INVALID_AFTER_PARENS_QUERY: return u"不认识 (? 后面的字符";
    case PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP: return u"括号套得太深";
    case PCRE2_ERROR_BAD_SUBPATTERN_REFERENCE:
    case PCRE2_ERROR_ZERO_RELATIVE_REFERENCE: return u"引用了不存在的分组";
    case PCRE2_ERROR_LOOKBEHIND_NOT_FIXED_LENGTH: return u"向后查找 (?<=…) 或 (?<!…) 里的内容长度必须固定";
    case PCRE2_ERROR_LOOKBEHIND_TOO_LONG: return u"向后查找 (?<=…) 或 (?<!…) 里的内容太长";
    case PCRE2_ERROR_MISSING_NAME_TERMINATOR:
    case PCRE2_ERROR_INVALID_SUBPATTERN_NAME:
    case PCRE2_ERROR_SUBPATTERN_NAME_EXPECTED: return u"分组名称有误";
    case PCRE2_ERROR_DUPLICATE_SUBPATTERN_NAME: return u"两个分组同名";
    case PCRE2_ERROR_MALFORMED_UNICODE_PROPERTY: return u"\\p 或 \\P 的写法有误";
    case PCRE2_ERROR_UNKNOWN_UNICODE_PROPERTY: return u"不认识 \\p 或 \\P 后面的属性";
    case PCRE2_ERROR_CODE_POINT_TOO_BIG:
    case PCRE2_ERROR_BACKSLASH_U_CODE_POINT_TOO_BIG: return u"字符编码太大";
    case PCRE2_ERROR_INVALID_HEXADECIMAL:
    case PCRE2_ERROR_MISSING_OCTAL_OR_HEX_DIGITS: return u"\\x{…} 里的十六进制数有误";
    case PCRE2_ERROR_BACKSLASH_G_SYNTAX:
    case PCRE2_ERROR_BACKSLASH_K_SYNTAX: return u"\\g 或 \\k 后面缺少分组编号或名称";
    case PCRE2_ERROR_PATTERN_TOO_LARGE:
    case PCRE2_ERROR_PATTERN_TOO_COMPLICATED: return u"查找条件太长或太复杂";
    default: return engineMessage(code);
    }
}

// Code units to characters: a surrogate pair is one character to the person who typed it.
std::size_t charactersBefore(TextView s, std::size_t units) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < units && i < s.size(); ++i)
        if (!U16_IS_TRAIL(s[i]) || i == 0 || !U16_IS_LEAD(s[i - 1])) ++chars;
    return chars;
}

std::uint32_t growLimit(std::uint32_t limit, std::uint32_t lineLimit) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{limit} * kTryGrowth, lineLimit));
}

} // namespace

// JIT-compiled patterns count their steps otherwise: a pattern may stay under the first limit
// on every line and still take milliseconds each. So time is measured too, over all lines, by
// a clock read without a system call; its ticks are coarse, but summed over many lines the
// differences add up to the time spent.
std::int64_t coarseClockNs() {
#ifdef CLOCK_MONOTONIC_COARSE
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
#else
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

bool hasNoCase(char16_t c) {
    if (U16_IS_SURROGATE(c) || c == 0xFFFD) return false;
    const UChar32 cp = c;
    return !u_hasBinaryProperty(cp, UCHAR_CASE_SENSITIVE) && u_tolower(cp) == cp && u_toupper(cp) == cp &&
           u_foldCase(cp, U_FOLD_CASE_DEFAULT) == cp;
}

struct Regex::Impl {
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;
    bool jit = false;
    std::uint32_t lineLimit = 0;
    std::uint64_t budgetLeft = 0;
    std::int64_t spentNs = 0;
    std::int64_t tested = 0;
    bool outOfTime = false;
    Text error;

    ~Impl() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(stack);
        pcre2_code_free(code);
    }
};

Regex::Regex(std::unique_ptr<Impl> impl) : m(std::move(impl)) {}
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;
Regex::~Regex() = default;

namespace {

// The pattern compiled as every rule is (\uXXXX as Java writes it), or why it cannot be.
std::variant<pcre2_code*, RegexError> compileCode(TextView pattern) {
    pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
    pcre2_set_compile_extra_options(cc, PCRE2_EXTRA_ALT_BSUX);
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* re = pcre2_compile(sptr(pattern), pattern.size(), kCompileOptions, &code, &offset, cc);
    pcre2_compile_context_free(cc);
    if (!re) return RegexError{compileErrorText(code), charactersBefore(pattern, offset)};
    return re;
}

} // namespace

std::variant<Regex, RegexError> Regex::compile(TextView pattern, std::uint32_t matchLimit) {
    auto compiled = compileCode(pattern);
    if (auto* error = std::get_if<RegexError>(&compiled)) return std::move(*error);
    pcre2_code* re = std::get<pcre2_code*>(compiled);

    auto impl = std::make_unique<Impl>();
    impl->code = re;
    impl->jit = pcre2_jit_compile(re, PCRE2_JIT_COMPLETE) == 0;
    impl->data = pcre2_match_data_create(1, nullptr);
    impl->context = pcre2_match_context_create(nullptr);
    impl->lineLimit = std::max<std::uint32_t>(matchLimit, 1);
    impl->budgetLeft = impl->lineLimit * kBudgetLines;
    pcre2_set_depth_limit(impl->context, matchLimit);
    pcre2_set_heap_limit(impl->context, kHeapLimitKiB);
    if (impl->jit) {
        // The default 32 KiB JIT stack fails on honest patterns over long lines.
        impl->stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
        if (impl->stack) pcre2_jit_stack_assign(impl->context, nullptr, impl->stack);
    }
    return Regex(std::move(impl));
}

std::optional<RegexError> Regex::check(TextView pattern) {
    auto compiled = compileCode(pattern);
    if (auto* error = std::get_if<RegexError>(&compiled)) return std::move(*error);
    pcre2_code_free(std::get<pcre2_code*>(compiled));
    return std::nullopt;
}

MatchResult Regex::test(TextView subject) {
    if (m->outOfTime) return MatchResult::LimitHit;
    const std::int64_t start = coarseClockNs();
    const MatchResult r = testOnce(subject);
    m->spentNs += coarseClockNs() - start;
    ++m->tested;
    if (r != MatchResult::LimitHit && m->spentNs > kTimeBudgetNs && m->spentNs > m->tested * kLineTimeNs) {
        m->outOfTime = true;
        return MatchResult::LimitHit;
    }
    return r;
}

bool Regex::outOfTime() const {
    return m->outOfTime;
}

MatchResult Regex::testOnce(TextView subject) {
    int rc = 0;
    for (std::uint32_t limit = std::min(kFirstTry, m->lineLimit);; limit = growLimit(limit, m->lineLimit)) {
        pcre2_set_match_limit(m->context, limit);
        rc = pcre2_match(m->code, sptr(subject), subject.size(), 0, 0, m->data, m->context);
        if (rc != PCRE2_ERROR_MATCHLIMIT || limit == m->lineLimit) break;
        if (m->budgetLeft < limit) break; // the whole scan has spent its share: a runaway too
        m->budgetLeft -= limit;
    }
    if (rc >= 0) return MatchResult::Match;
    if (rc == PCRE2_ERROR_NOMATCH) return MatchResult::NoMatch;
    m->error = engineMessage(rc);
    switch (rc) {
    case PCRE2_ERROR_MATCHLIMIT:
    case PCRE2_ERROR_DEPTHLIMIT:
    case PCRE2_ERROR_HEAPLIMIT:
    case PCRE2_ERROR_JIT_STACKLIMIT:
        return MatchResult::LimitHit;
    default:
        return MatchResult::Failed;
    }
}

std::size_t Regex::matchStart() const {
    return pcre2_get_ovector_pointer(m->data)[0];
}

const Text& Regex::lastError() const {
    return m->error;
}

std::vector<char16_t> Regex::requiredLiterals() const {
    std::vector<char16_t> out;
    const auto take = [&](std::uint32_t typeWhat, std::uint32_t unitWhat) {
        std::uint32_t type = 0, unit = 0;
        if (pcre2_pattern_info(m->code, typeWhat, &type) != 0 || type != 1) return;
        if (pcre2_pattern_info(m->code, unitWhat, &unit) != 0 || unit > 0xFFFF) return;
        const auto c = static_cast<char16_t>(unit);
        if (hasNoCase(c) && (out.empty() || out.front() != c)) out.push_back(c);
    };
    take(PCRE2_INFO_FIRSTCODETYPE, PCRE2_INFO_FIRSTCODEUNIT);
    take(PCRE2_INFO_LASTCODETYPE, PCRE2_INFO_LASTCODEUNIT);
    return out;
}

Text regexErrorText(int code) {
    return compileErrorText(code);
}

} // namespace pw
