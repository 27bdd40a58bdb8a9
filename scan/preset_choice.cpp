#include "scan/preset_choice.h"

#include <algorithm>
#include <variant>

#include "platform/input_head.h"
#include "platform/paths.h"
#include "platform/regex.h"
#include "scan/heading_analysis.h"
#include "scan/heading_vocabulary.h"

namespace pw {

SampleLines readSampleLines(const std::filesystem::path& file, std::size_t bytes, std::optional<Encoding> encoding) {
    SampleLines out;
    const std::shared_ptr<const InputHead> head = readInputHead(file, encoding, bytes);
    out.error = head->error;
    out.lines = head->lines;
    return out;
}

namespace {

// Percent of the chapters between headings that look real whose size is within a factor of
// four of the median: a rule that cuts at real headings makes chapters of a kind.
int evennessOf(const HeadingAnalysis& a) {
    std::vector<std::int64_t> sizes;
    std::int64_t previous = -1;
    for (const HeadingFacts& h : a.headings) {
        if (h.suspect != 0) continue;
        if (previous >= 0) sizes.push_back(h.offset - previous);
        previous = h.offset;
    }
    if (sizes.empty()) return 0;
    std::vector<std::int64_t> sorted = sizes;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const std::int64_t median = sorted[sorted.size() / 2];
    const auto even =
        std::count_if(sizes.begin(), sizes.end(), [&](std::int64_t s) { return s * 4 >= median && s <= median * 4; });
    return static_cast<int>(even * 100 / static_cast<std::int64_t>(sizes.size()));
}

// The analysis of the lines that `re` matches in the sample, as a scan of it would give it.
HeadingAnalysis analyseSample(Regex& re, const std::vector<Text>& lines) {
    HeadingAnalyzer analyzer;
    std::int64_t offset = 0, number = 0;
    for (const Text& line : lines) {
        ++number;
        if (re.test(line) == MatchResult::Match) analyzer.add(line, re.matchStart(), number, offset);
        offset += static_cast<std::int64_t>(line.size()) + 1;
    }
    return analyzer.finish(offset, number);
}

// Below this share of evenly sized chapters a rule cuts at lines that are no headings, or only
// at some of them; above this share of front matter it misses the headings of most of the text.
constexpr int kLeastEvenness = 40, kMostFront = 50;
constexpr std::int64_t kFewestHeadings = 2;

PresetTrial trial(const PatternPreset& p, const std::vector<Text>& lines) {
    PresetTrial t;
    t.preset = &p;
    auto compiled = Regex::compile(p.pattern);
    if (!std::holds_alternative<Regex>(compiled)) {
        t.compiled = false;
        return t;
    }
    const HeadingAnalysis a = analyseSample(std::get<Regex>(compiled), lines);
    const std::int64_t offset = a.fileSize;
    t.matches = static_cast<std::int64_t>(a.headings.size());
    t.suspects = a.suspectCount();
    t.contents = std::count_if(a.headings.begin(), a.headings.end(),
                               [](const HeadingFacts& h) { return h.suspect == kSuspectContents; });
    t.copies = std::count_if(a.headings.begin(), a.headings.end(),
                             [](const HeadingFacts& h) { return h.suspect == kSuspectCopy; });
    if (isBareNumberPreset(p)) {
        std::int64_t real = 0, titled = 0;
        for (const HeadingFacts& h : a.headings) {
            if (h.suspect != 0) continue;
            ++real;
            const auto form = bareFormOf(lines[static_cast<std::size_t>(h.line - 1)]);
            titled += form && *form != BareForm::Alone;
        }
        t.titled = real > 0 ? static_cast<int>(titled * 100 / real) : 0;
    }
    t.evenness = evennessOf(a);
    const auto firstReal =
        std::find_if(a.headings.begin(), a.headings.end(), [](const HeadingFacts& h) { return h.suspect == 0; });
    const std::int64_t frontSize = firstReal == a.headings.end() ? offset : firstReal->offset;
    t.front = offset > 0 ? static_cast<int>(frontSize * 100 / offset) : 100;
    // Many headings that look real, in chapters of a kind, from early on; each doubted match counts
    // against, but not a line of the text's own table of contents nor a heading written twice: a
    // rule that finds the headings finds their copies too.
    t.score = static_cast<double>(t.matches - t.suspects) * t.evenness / 100.0 * (100 - t.front) / 100.0 -
              static_cast<double>(t.suspects - t.contents - t.copies);
    t.eligible = t.matches - t.suspects >= kFewestHeadings && t.evenness >= kLeastEvenness && t.front <= kMostFront;
    return t;
}

Text presetName(const PatternPreset& p) {
    // Appended piece by piece: GCC 12 at -O3 sees an overlap that is not there in a chain of +.
    Text t = u"「";
    return t.append(p.label).append(u"」");
}

Text sampleWords(const PresetChoice&) {
    return u"文件开头 " + decimal(static_cast<std::int64_t>(kPresetSampleBytes / 1024)) + u" KB";
}

Text countsText(const PresetTrial& t) {
    if (!t.compiled) return u"正则表达式无法编译";
    Text said = decimal(t.matches) + u" 个标题，" + decimal(t.suspects) + u" 个可疑";
    if (t.contents > 0) said += u"（其中目录 " + decimal(t.contents) + u" 行）";
    if (t.matches == 0) return said;
    said += u"，篇幅均匀 " + decimal(t.evenness) + u"%";
    // The front matter is worth a word only when it is large.
    return t.front >= 10 ? said + u"，前言占 " + decimal(t.front) + u"%" : said;
}

const PresetTrial* trialOf(const PresetChoice& c, const PatternPreset* p) {
    const auto it = std::find_if(c.trials.begin(), c.trials.end(), [&](const PresetTrial& t) { return t.preset == p; });
    return it == c.trials.end() ? nullptr : &*it;
}

// The line that says what was chosen and why, with `more` (the volumes kept) before the preset it
// beat.
Text choiceLine(const PresetChoice& c, TextView more) {
    if (!c.chosen) return u"自动选择：没有哪个预设在" + sampleWords(c) + u"中找到可用的标题";
    const PresetTrial& chosen = *trialOf(c, c.chosen);
    Text line = u"自动选择" + presetName(*c.chosen) + u"：" + sampleWords(c) + u" 中 " + countsText(chosen);
    line += more;
    // The one that came closest, and why it lost.
    const PresetTrial* second = nullptr;
    for (const PresetTrial& t : c.trials)
        if (&t != &chosen && t.matches - t.suspects > 0 && (!second || t.score > second->score)) second = &t;
    // A tie lost only by its place in the list is no news.
    if (second && second->score < chosen.score) {
        line +=
            u"；胜过" + presetName(*second->preset) + u"（" + decimal(second->matches - second->suspects) + u" 个标题";
        if (second->front > kMostFront)
            line += u"，前言占 " + decimal(second->front) + u"%";
        else if (second->evenness < kLeastEvenness)
            line += u"，篇幅均匀仅 " + decimal(second->evenness) + u"%";
        line += u"）";
    }
    return line;
}

// A chapter rule other than 第N: the preset's pattern fitted to how the sample writes its headings,
// with the unnumbered chapters beside it. What was fitted goes to `said`.
Text shapedPattern(const std::vector<Text>& lines, const PatternPreset& p, Text& said) {
    auto compiled = Regex::compile(p.pattern);
    if (!std::holds_alternative<Regex>(compiled)) return p.pattern;
    Regex& re = std::get<Regex>(compiled);
    const HeadingAnalysis a = analyseSample(re, lines);
    Text pattern = p.pattern;
    std::int64_t real = 0, labelled = 0;
    std::int64_t forms[3] = {}, formsOfAll[3] = {};
    for (const HeadingFacts& h : a.headings) {
        const Text& line = lines[static_cast<std::size_t>(h.line - 1)];
        const auto form = bareFormOf(line);
        if (form) ++formsOfAll[static_cast<int>(*form)];
        if (h.suspect != 0) continue;
        ++real;
        labelled += line.find_first_not_of(u" \t\u3000") == line.find(u"正文");
        if (form) ++forms[static_cast<int>(*form)];
    }
    // Bare numbers: the novel writes its headings in one form, and the lines of another form are
    // the items of its lists (1、目前国际研究动向) or its front matter's (1．段——一百段), whether
    // they look real or not.
    constexpr std::int64_t kOneForm = 80, kEnoughToTell = 8; // percent, headings
    if (isBareNumberPreset(p) && real >= kEnoughToTell) {
        const auto most = std::max_element(std::begin(forms), std::end(forms));
        const auto form = most - std::begin(forms);
        if (*most * 100 >= real * kOneForm && formsOfAll[form] < static_cast<std::int64_t>(a.headings.size())) {
            pattern = bareNumberPattern(p, static_cast<BareForm>(form));
            said += u"，只取与多数标题同样写法的编号行";
        }
    }
    // Part N with numbers missing that lines of a number alone carry (part21, 22, 23, 24, part25):
    // those lines are the same headings, written short.
    if (std::string_view(p.id) == "part") {
        std::vector<std::int64_t> parts, alone;
        for (const Text& line : lines) {
            std::size_t i = line.find_first_not_of(u" \t\u3000");
            if (i == Text::npos) continue;
            const auto form = bareFormOf(line);
            if (form == BareForm::Alone) {
                const bool arabic = (line[i] >= u'0' && line[i] <= u'9') || (line[i] >= u'０' && line[i] <= u'９');
                if (const auto n = parseChapterNumber(line, i); n && arabic) alone.push_back(n->value);
                continue;
            }
            if (line.size() < i + 4 || (line[i] | 0x20) != u'p' || (line[i + 1] | 0x20) != u'a' ||
                (line[i + 2] | 0x20) != u'r' || (line[i + 3] | 0x20) != u't')
                continue;
            i = line.find_first_not_of(u" \t", i + 4);
            std::int64_t n = 0;
            bool digits = false;
            for (; i < line.size() && line[i] >= u'0' && line[i] <= u'9'; ++i, digits = true)
                n = std::min<std::int64_t>(n * 10 + (line[i] - u'0'), 1'000'000);
            if (digits) parts.push_back(n);
        }
        std::sort(parts.begin(), parts.end());
        const bool fill =
            !alone.empty() && parts.size() >= 2 && std::all_of(alone.begin(), alone.end(), [&](std::int64_t n) {
                return n > parts.front() && n < parts.back() && !std::binary_search(parts.begin(), parts.end(), n);
            });
        if (fill) {
            Text wider = u"(?:";
            pattern = wider.append(pattern).append(u")|^[ \\t\u3000]*[0-9０-９]{1,4}[ \\t\u3000]*$");
            said += u"，单独一行的数字补上所缺的编号";
        }
    }
    pattern = unnumberedBeside(pattern);
    // A label the headings carry (正文 1, 正文 尾声): every line it leads is one of them.
    if (real > 0 && labelled * 100 >= real * kOneForm) {
        pattern.append(u"|^[ \\t\u3000]*正文[ \\t\u3000]+[^ \\t\u3000]");
        said += u"，以「正文」开头的行都作标题";
    }
    said += u"，序章、楔子、尾声等单独成章";
    return pattern;
}

} // namespace

PresetChoice choosePreset(const std::vector<Text>& lines, std::span<const PatternPreset> presets) {
    PresetChoice c;
    const PresetTrial* best = nullptr;
    for (const PatternPreset& p : presets) {
        if (!p.automatic) continue;
        c.trials.push_back(trial(p, lines));
    }
    // Ties go to the earlier preset: the list runs from the plainer rules to the broader ones.
    // Bare numbers are the headings of a book only when it has no others: in a book of 第N章
    // they are the items of lists, however many. Among bare numbers, lines with titles (一、写作之夜)
    // are the chapters and a run of numbers alone the sections inside them (１, ２…), when there
    // are enough of the titled ones to make a book of.
    constexpr std::int64_t kEnoughTitled = 8;
    const auto rank = [&](const PresetTrial& t) {
        if (!isBareNumberPreset(*t.preset)) return 0;
        return t.titled >= 50 && t.matches - t.suspects >= kEnoughTitled ? 1 : 2;
    };
    for (const int pass : {0, 1, 2}) {
        for (const PresetTrial& t : c.trials)
            if (t.eligible && rank(t) == pass && (!best || t.score > best->score)) best = &t;
        if (best) break;
    }
    if (best) c.chosen = best->preset;
    return c;
}

std::vector<Text> presetChoiceLines(const PresetChoice& c) {
    std::vector<Text> out{choiceLine(c, {})};
    for (const PresetTrial& t : c.trials)
        out.push_back(u"  " + Text(t.preset->label) + u"：" + countsText(t));
    return out;
}

Text presetsThatFindText(const PresetChoice& c) {
    std::vector<const PresetTrial*> finding;
    for (const PresetTrial& t : c.trials)
        if (t.matches - t.suspects > 0) finding.push_back(&t);
    if (finding.empty()) return {};
    std::stable_sort(finding.begin(), finding.end(), [](const PresetTrial* x, const PresetTrial* y) {
        return x->matches - x->suspects > y->matches - y->suspects;
    });
    Text t = u"可改用预设：";
    for (std::size_t i = 0; i < finding.size(); ++i)
        t.append(i ? u"；" : u"")
            .append(presetName(*finding[i]->preset))
            .append(decimal(finding[i]->matches))
            .append(u" 个标题，")
            .append(decimal(finding[i]->suspects))
            .append(u" 个可疑");
    return t + u"（按" + sampleWords(c) + u"计）";
}

namespace {

// Volumes that the chapters' lines name before the chapter, with no line of their own (第一季
// 第二卷 怒海潜沙 第一章 蛇眉铜鱼): how many times the named volume changes, and the words that open
// such lines (季 here), which the volume pattern must find at the line's start.
struct NamedVolumes {
    std::int64_t volumes = 0;
    Text units;
};

NamedVolumes volumesOnChaptersLines(const std::vector<Text>& lines) {
    NamedVolumes named;
    Text label = vocabulary::headingLead();
    label.append(vocabulary::volumeLabelPattern(vocabulary::kVolumeUnits));
    auto compiled = Regex::compile(label);
    auto* re = std::get_if<Regex>(&compiled);
    if (!re) return named;
    std::optional<ChapterNumber> last;
    for (const Text& line : lines) {
        if (re->test(line) != MatchResult::Match) continue;
        std::optional<ChapterNumber> volume;
        const HeadingFacts f = judgeHeadingLine(line, re->matchStart(), &volume);
        if (f.suspect != 0 || !f.withVolume || !volume) continue;
        const auto opening = parseChapterNumber(line);
        if (!opening || vocabulary::kVolumeUnits.find(opening->unit) == TextView::npos) continue;
        if (named.units.find(opening->unit) == Text::npos) named.units.push_back(opening->unit);
        if (volume != last) ++named.volumes;
        last = volume;
    }
    return named;
}

// The chapter rule with volumes of the words `units` on lines of their own. A preset of 第N
// headings has its own (structuredPattern); numbered lines take the volumes' lines, the
// unnumbered chapters (尾声) and their numbers in brackets (【1】潜入) beside them.
Text withVolumes(const PatternPreset& p, std::u16string_view units, const std::vector<Text>& lines) {
    if (p.chapterUnits) return structuredPattern(p, units);
    Text t = u"(?:";
    if (std::string_view(p.id) == "numbered") {
        // A file numbers its sections one way: 1.路明非 throughout, and the odd 2、燃烧的棋子 or
        // 7．。 between them is no section of that series.
        static constexpr std::u16string_view kMarks = u".．、";
        std::int64_t marked[kMarks.size()] = {};
        for (const Text& line : lines) {
            std::size_t i = line.find_first_not_of(u" \t\u3000");
            const std::size_t digits = i;
            while (i < line.size() && i - digits < 5 &&
                   ((line[i] >= u'0' && line[i] <= u'9') || (line[i] >= u'０' && line[i] <= u'９')))
                ++i;
            if (i == digits || i == TextView::npos || i >= line.size() || i - digits > 4) continue;
            if (const std::size_t m = kMarks.find(line[i]); m != TextView::npos) ++marked[m];
        }
        const std::size_t most =
            static_cast<std::size_t>(std::max_element(std::begin(marked), std::end(marked)) - marked);
        const std::int64_t all = marked[0] + marked[1] + marked[2];
        if (all > 0 && marked[most] * 4 >= all * 3) {
            t.append(u"^[ \\t\u3000]*[0-9０-９]{1,4}").append(most == 0 ? u"\\." : kMarks.substr(most, 1));
        } else {
            t.append(p.pattern);
        }
        // The same sections numbered in brackets further on: 【1】潜入.
        t.append(u")|(?:^[ \\t\u3000]*【[0-9０-９]{1,4}】");
    } else {
        t.append(p.pattern);
    }
    t.append(u")|(?:").append(vocabulary::headingLead()).append(vocabulary::unnumberedPattern());
    return t.append(u")|(?:").append(structuredVolumePattern(units)).append(u")");
}

} // namespace

StructureChoice chooseStructure(const std::vector<Text>& lines, std::span<const PatternPreset> presets) {
    StructureChoice s;
    s.trials = choosePreset(lines, presets);
    s.preset = s.trials.chosen;
    if (!s.preset) {
        s.reason = choiceLine(s.trials, {});
        return s;
    }
    Text more;
    // Volume lines of their own, beside the chapters: kept as volumes, not left inside the
    // chapter before them. Lines that read as prose are none. A book has one level of
    // volumes: where seasons hold volumes (第一季, then 第二卷 怒海潜沙), the inner ones. Acts
    // (第一幕) hold the numbered sections of a novel as volumes do.
    static constexpr std::u16string_view kOuterToInner = u"季部册冊集卷篇幕";
    std::size_t innermost = TextView::npos;
    std::int64_t count[kOuterToInner.size()] = {};
    auto compiled = Regex::compile(vocabulary::volumeLinePattern(kOuterToInner));
    if (auto* re = std::get_if<Regex>(&compiled))
        for (const Text& line : lines) {
            if (re->test(line) != MatchResult::Match) continue;
            std::optional<ChapterNumber> named;
            const HeadingFacts f = judgeHeadingLine(line, re->matchStart(), &named);
            const std::size_t at = kOuterToInner.find(f.number.unit);
            if (f.suspect != 0 || at == TextView::npos) continue;
            ++count[at];
            innermost = innermost == TextView::npos ? at : std::max(innermost, at);
        }
    // 册 and 冊 are one word in two scripts.
    const bool book = innermost == 2 || innermost == 3;
    const std::int64_t volumes = innermost == TextView::npos ? 0 : book ? count[2] + count[3] : count[innermost];
    // Beside numbered lines (1.路明非) volumes are believed from two lines on.
    if (volumes > 0 && (s.preset->chapterUnits || volumes >= kFewestHeadings)) {
        const std::u16string_view units = book ? kOuterToInner.substr(2, 2) : kOuterToInner.substr(innermost, 1);
        s.volumes = volumes;
        s.volumePattern = structuredVolumePattern(units);
        s.pattern = withVolumes(*s.preset, units, lines);
        more = u"，另有 " + decimal(s.volumes) + u" 个卷行作为卷";
    } else if (const NamedVolumes named = volumesOnChaptersLines(lines);
               s.preset->chapterUnits && named.volumes >= kFewestHeadings) {
        s.volumes = named.volumes;
        s.volumePattern = structuredVolumePattern(named.units);
        s.pattern = structuredPattern(*s.preset, named.units);
        more = u"，章节行上另写有 " + decimal(s.volumes) + u" 个卷名，作为卷";
    }
    if (s.preset->chapterUnits || !s.volumePattern.empty()) more += u"，序章、楔子、尾声等单独成章";
    if (s.pattern.empty())
        s.pattern =
            s.preset->chapterUnits ? structuredPattern(*s.preset, false) : shapedPattern(lines, *s.preset, more);
    s.reason = choiceLine(s.trials, more);
    return s;
}

} // namespace pw
