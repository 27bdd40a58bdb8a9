#include "platform/rule_files.h"

#include <vector>

#include <cstdio>

#include "platform/files.h"

namespace pw {

std::optional<Text> readRuleFile(TextView path, std::string& into) {
    if (auto err = readSmallFile(path, kRuleFileLimit, into)) return err->reason;
    return std::nullopt;
}

bool nestedDeeperThan(std::string_view json, int limit) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

Text tooDeepText() {
    return u"嵌套超过 " + fromUtf8(std::to_string(kRuleNestingLimit)) + u" 层，不是规则列表";
}

std::string visibleName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        // C1 controls (U+0080–U+009F) are C2 80–C2 9F in UTF-8; some terminals obey them too.
        const bool c1 = b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0 &&
                        static_cast<unsigned char>(utf8[i + 1]) >= 0x80;
        if (b >= 0x20 && b != 0x7F && !c1) {
            out += utf8[i];
            continue;
        }
        const unsigned code = c1 ? static_cast<unsigned char>(utf8[++i]) : b;
        switch (code) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", code);
            out += hex;
        }
        }
    }
    return out;
}

namespace {

// The end of the item at `at` (one character, class or escape), or npos when it is none of these.
std::size_t itemEnd(std::string_view p, std::size_t at) {
    if (at >= p.size()) return std::string_view::npos;
    const char c = p[at];
    if (c == '[') {
        std::size_t i = at + 1;
        if (i < p.size() && p[i] == '^') ++i;
        if (i < p.size() && p[i] == ']') ++i; // a ] first is a member
        for (; i < p.size(); ++i) {
            if (p[i] == '\\')
                ++i;
            else if (p[i] == '[')
                return std::string_view::npos; // nested classes, POSIX names: leave
            else if (p[i] == ']')
                return i + 1;
        }
        return std::string_view::npos;
    }
    if (c == '\\') {
        if (at + 1 >= p.size()) return std::string_view::npos;
        const char e = p[at + 1];
        // Escapes that stand for more than one character, or for none, are not single items.
        if (std::string_view("bBAzZGKQEkg123456789").find(e) != std::string_view::npos) return std::string_view::npos;
        if ((e == 'p' || e == 'P' || e == 'x') && at + 2 < p.size() && p[at + 2] == '{') {
            const std::size_t close = p.find('}', at + 2);
            return close == std::string_view::npos ? close : close + 1;
        }
        if (e == 'u') return at + 6 <= p.size() ? at + 6 : std::string_view::npos;
        if (e == 'x') return at + 4 <= p.size() ? at + 4 : std::string_view::npos;
        if (static_cast<unsigned char>(e) >= 0x80) return std::string_view::npos;
        return at + 2;
    }
    if (std::string_view("()|^$*+?{}").find(c) != std::string_view::npos) return std::string_view::npos;
    std::size_t i = at + 1; // one UTF-8 character
    while (i < p.size() && (static_cast<unsigned char>(p[i]) & 0xC0) == 0x80)
        ++i;
    return i;
}

// A quantifier at `at`: its least count and its end, or nothing.
std::optional<std::pair<long, std::size_t>> quantifier(std::string_view p, std::size_t at) {
    if (at >= p.size()) return std::nullopt;
    long least;
    std::size_t end;
    if (p[at] == '*' || p[at] == '?') {
        least = 0;
        end = at + 1;
    } else if (p[at] == '+') {
        least = 1;
        end = at + 1;
    } else if (p[at] == '{') {
        std::size_t i = at + 1;
        least = 0;
        const std::size_t digits = i;
        while (i < p.size() && p[i] >= '0' && p[i] <= '9' && least < 100000)
            least = least * 10 + (p[i++] - '0');
        if (i == digits || i >= p.size() || (p[i] != ',' && p[i] != '}')) return std::nullopt;
        if (p[i] == ',') {
            ++i;
            while (i < p.size() && p[i] >= '0' && p[i] <= '9')
                ++i;
        }
        if (i >= p.size() || p[i] != '}') return std::nullopt;
        end = i + 1;
    } else {
        return std::nullopt;
    }
    if (end < p.size() && (p[end] == '?' || p[end] == '+')) ++end; // lazy or possessive: the same behind
    return std::pair{least, end};
}

// The end of the group that opens at `open` (a '('), or npos.
std::size_t groupEnd(std::string_view p, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '\\') {
            ++i;
        } else if (c == '[') {
            const std::size_t e = itemEnd(p, i);
            if (e == std::string_view::npos) return e;
            i = e - 1;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

// A look-behind that Java bounds but PCRE2 wants of fixed length, (?<=“[^“”]{2,50}) or
// (?<=\w{16}(。|；|[！？]{1,2})”?), spelled out as top-level branches of fixed lengths, which PCRE2
// takes: one branch per length and choice, as long as they stay few. Nothing when the body is
// of one length already, holds a * or +, or spells out into too many branches.
constexpr std::size_t kLookBehindBranches = 256;

// The groups of a spelled-out branch made non-capturing.
std::string nonCapturing(const std::string& p) {
    std::string out;
    for (std::size_t i = 0; i < p.size(); ++i) {
        out += p[i];
        if (p[i] == '\\' && i + 1 < p.size()) {
            out += p[++i];
        } else if (p[i] == '[') {
            const std::size_t e = itemEnd(p, i);
            if (e == std::string_view::npos) continue;
            out.append(p, i + 1, e - i - 1);
            i = e - 1;
        } else if (p[i] == '(' && (i + 1 >= p.size() || p[i + 1] != '?')) {
            out += "?:";
        }
    }
    return out;
}

// Each way the piece can be spelled at a fixed length.
std::optional<std::vector<std::string>> fixedSpellings(std::string_view p, bool unicodeEscapes);

std::optional<std::vector<std::string>> alternativesOf(std::string_view p, bool unicodeEscapes) {
    std::vector<std::string> all;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i <= p.size(); ++i) {
        if (i < p.size() && p[i] == '\\') {
            ++i;
        } else if (i < p.size() && p[i] == '[') {
            const std::size_t e = itemEnd(p, i);
            if (e == std::string_view::npos) return std::nullopt;
            i = e - 1;
        } else if (i < p.size() && p[i] == '(') {
            ++depth;
        } else if (i < p.size() && p[i] == ')') {
            --depth;
        } else if (i == p.size() || (p[i] == '|' && depth == 0)) {
            const auto one = fixedSpellings(p.substr(start, i - start), unicodeEscapes);
            if (!one) return std::nullopt;
            all.insert(all.end(), one->begin(), one->end());
            if (all.size() > kLookBehindBranches) return std::nullopt;
            start = i + 1;
        }
    }
    return all;
}

std::optional<std::vector<std::string>> fixedSpellings(std::string_view p, bool unicodeEscapes) {
    std::vector<std::string> done{""};
    for (std::size_t at = 0; at < p.size();) {
        std::vector<std::string> unit; // the ways the unit is spelled once
        std::size_t end;
        if (p[at] == '^' || p[at] == '$') {
            unit = {std::string(1, p[at])};
            end = at + 1;
        } else if (p[at] == '(') {
            const std::size_t close = groupEnd(p, at);
            if (close == std::string_view::npos) return std::nullopt;
            std::string_view inner = p.substr(at + 1, close - at - 1);
            bool capturing = true;
            if (inner.starts_with("?:")) {
                inner.remove_prefix(2);
                capturing = false;
            } else if (inner.starts_with("?")) {
                return std::nullopt; // assertions, named groups, flags: left as written
            }
            const auto alts = alternativesOf(inner, unicodeEscapes);
            if (!alts) return std::nullopt;
            for (const std::string& a : *alts)
                unit.push_back((capturing ? "(" : "(?:") + a + ")");
            end = close + 1;
        } else {
            end = itemEnd(p, at);
            if (end == std::string_view::npos) return std::nullopt;
            unit = {javaPatternToPcre(p.substr(at, end - at), unicodeEscapes)};
        }
        long least = 1, most = 1;
        if (const auto q = quantifier(p, end)) {
            const std::string_view spec = p.substr(end, q->second - end);
            if (spec[0] == '*' || spec[0] == '+') return std::nullopt;
            least = q->first;
            if (spec[0] == '?') {
                most = 1;
            } else if (const std::size_t comma = spec.find(','); comma == std::string_view::npos) {
                most = least;
            } else if (spec[comma + 1] == '}') {
                return std::nullopt; // {n,} has no bound
            } else {
                most = std::stol(std::string(spec.substr(comma + 1)));
            }
            if (most < least || most > static_cast<long>(kLookBehindBranches)) return std::nullopt;
            end = q->second;
        }
        // One unit repeated: a single spelling goes as X{n}; several are spelled out in turn.
        std::vector<std::string> next;
        for (long n = least; n <= most; ++n) {
            std::vector<std::string> reps{""};
            if (unit.size() == 1) {
                reps = {n == 0 ? "" : n == 1 ? unit[0] : unit[0] + "{" + std::to_string(n) + "}"};
            } else {
                for (long k = 0; k < n; ++k) {
                    std::vector<std::string> longer;
                    for (const std::string& r : reps)
                        for (const std::string& u : unit)
                            longer.push_back(r + u);
                    reps.swap(longer);
                    if (reps.size() > kLookBehindBranches) return std::nullopt;
                }
            }
            for (const std::string& d : done)
                for (const std::string& r : reps)
                    next.push_back(d + r);
            if (next.size() > kLookBehindBranches) return std::nullopt;
        }
        done.swap(next);
        at = end;
    }
    return done;
}

} // namespace

std::string javaPatternToPcre(std::string_view java, bool unicodeEscapes) {
    std::string out;
    out.reserve(java.size() + 8);
    for (std::size_t i = 0; i < java.size(); ++i) {
        const char c = java[i];
        if (c == '\\' && i + 1 < java.size()) {
            const char e = java[i + 1];
            if (e == 'u' && unicodeEscapes && i + 6 <= java.size() &&
                java.substr(i + 2, 4).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos) {
                out += "\\x{" + std::string(java.substr(i + 2, 4)) + "}";
                i += 5;
                continue;
            }
            if ((e == 'p' || e == 'P') && java.substr(i + 2).starts_with("{Is")) {
                out += "\\";
                out += e;
                out += "{";
                i += 4; // on to what follows "\p{Is"
                continue;
            }
            out += c;
            out += e;
            ++i;
            continue;
        }
        if (c == '[') {
            const std::size_t e = itemEnd(java, i);
            if (e != std::string_view::npos) {
                // Inside a class only \u needs saying again.
                out += '[';
                out += javaPatternToPcre(java.substr(i + 1, e - i - 2), unicodeEscapes);
                out += ']';
                i = e - 1;
                continue;
            }
        }
        if (c == '(' && (java.substr(i).starts_with("(?<=") || java.substr(i).starts_with("(?<!"))) {
            const bool positive = java[i + 3] == '=';
            const std::size_t close = groupEnd(java, i);
            if (close != std::string_view::npos) {
                const std::string_view body = java.substr(i + 4, close - i - 4);
                const std::size_t item = itemEnd(body, 0);
                const auto q = item == std::string_view::npos ? std::nullopt : quantifier(body, item);
                if (q && q->second == body.size() && (positive || q->first > 0)) {
                    const std::string atom = javaPatternToPcre(body.substr(0, item), unicodeEscapes);
                    if (q->first > 0) {
                        out += java.substr(i, 4);
                        out += atom;
                        if (q->first > 1) {
                            out += '{';
                            out += std::to_string(q->first);
                            out += '}';
                        }
                        out += ")";
                    } // a look-behind that may match nothing always holds: it goes
                    i = close;
                    continue;
                }
                // Several lengths: spelled out as branches of one length each.
                // The first branch keeps its groups capturing, the others do not: the groups
                // keep their numbers (what a group inside a look-behind caught is seldom used).
                const auto branches = alternativesOf(body, unicodeEscapes);
                if (branches && branches->size() > 1) {
                    out += java.substr(i, 4);
                    for (std::size_t b = 0; b < branches->size(); ++b)
                        out += (b ? "|" : "") + (b ? nonCapturing((*branches)[b]) : (*branches)[b]);
                    out += ")";
                    i = close;
                    continue;
                }
            }
        }
        out += c;
    }
    return out;
}

} // namespace pw
