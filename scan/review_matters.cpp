#include "scan/review_matters.h"

#include <algorithm>

#include "scan/analysis_texts.h"

namespace pw {

namespace {

// Texts are built by appending: GCC 12 at -O3 warns of an overlap in `u"…" + Text` that is not there.
Text entryRef(std::int64_t row) {
    Text t = u"[";
    t.append(decimal(row + 1)).append(u"]");
    return t;
}

// "[12] 第56章": an entry by its number in the list and the number it carries.
Text entryWithNumber(const HeadingAnalysis& a, std::int64_t row) {
    const HeadingFacts& h = a.headings[static_cast<std::size_t>(row)];
    Text t = entryRef(row);
    if (h.hasNumber()) t.append(u" ").append(chapterNumberText(h.number));
    return t;
}

// The unit a gap or repeat counts in: its own, or that of the heading it names.
char16_t unitOf(const HeadingAnalysis& a, char16_t unit, std::int64_t k) {
    return unit ? unit : a.headings[static_cast<std::size_t>(k - 1)].number.unit;
}

void addContents(const HeadingAnalysis& a, std::vector<Matter>& out) {
    const auto n = static_cast<std::int64_t>(a.headings.size());
    const auto inContents = [&](std::int64_t row) {
        return (a.headings[static_cast<std::size_t>(row)].suspect & kSuspectContents) != 0;
    };
    for (std::int64_t row = 0; row < n; ++row) {
        if (a.headings[static_cast<std::size_t>(row)].suspect == 0) continue;
        if (!inContents(row)) {
            out.push_back({MatterKind::Suspect, row, row, reasonWords(a.headings[static_cast<std::size_t>(row)].suspect)});
            continue;
        }
        std::int64_t last = row;
        while (last + 1 < n && inContents(last + 1))
            ++last;
        Text t = u"书中自带的目录：";
        t.append(entryRef(row)).append(u" 至 ").append(entryRef(last)).append(u"，共 ");
        t.append(decimal(last - row + 1)).append(u" 行");
        out.push_back({MatterKind::Contents, row, last, std::move(t)});
        row = last;
    }
}

} // namespace

Text matterKindWord(MatterKind kind) {
    switch (kind) {
    case MatterKind::Suspect:
        return u"可疑";
    case MatterKind::Contents:
        return u"目录";
    case MatterKind::Gap:
        return u"缺号";
    case MatterKind::Repeat:
        return u"重号";
    case MatterKind::Restart:
        return u"重新编号";
    }
    return {};
}

std::int64_t rowAfterGap(const HeadingAnalysis& a, const NumberGap& g) {
    const auto rows = static_cast<std::int64_t>(a.headings.size());
    if (g.after < 1 || g.after > rows) return -1;
    const char16_t unit = a.headings[static_cast<std::size_t>(g.after - 1)].number.unit;
    // A suspect line may come in between: it is not what goes on with the numbering.
    for (auto row = static_cast<std::size_t>(g.after); row < a.headings.size(); ++row) {
        const HeadingFacts& h = a.headings[row];
        if (h.suspect == 0 && h.number.unit == unit && h.number.value > g.afterNumber)
            return static_cast<std::int64_t>(row);
    }
    return -1;
}

ReviewMatters reviewMatters(const HeadingAnalysis& a) {
    ReviewMatters r;
    std::vector<Matter>& out = r.matters;
    addContents(a, out);
    const auto rows = static_cast<std::int64_t>(a.headings.size());
    for (const NumberGap& g : a.gaps) {
        if (g.after < 1 || g.after > rows) continue;
        const std::int64_t before = g.after - 1, next = rowAfterGap(a, g);
        Text t = entryWithNumber(a, before);
        if (next >= 0) t.append(u" 与 ").append(entryWithNumber(a, next));
        t.append(next >= 0 ? u" 之间缺少" : u" 之后缺少").append(chapterNumbersText(g.missing, unitOf(a, g.unit, g.after)));
        const std::int64_t row = next >= 0 ? next : before;
        out.push_back({MatterKind::Gap, row, row, std::move(t)});
    }
    for (const NumberRepeat& rep : a.repeats) {
        if (rep.headings.size() < 2) continue;
        Text t = chapterNumberText({static_cast<std::int32_t>(rep.number), unitOf(a, rep.unit, rep.headings.front())});
        t.append(u"出现 ").append(decimal(static_cast<std::int64_t>(rep.headings.size()))).append(u" 次：");
        for (std::size_t i = 0; i < rep.headings.size(); ++i)
            t.append(i ? u"、" : u"").append(entryRef(rep.headings[i] - 1));
        // The copy, not the first: that is the entry a reader would leave out.
        const std::int64_t row = rep.headings[1] - 1;
        out.push_back({MatterKind::Repeat, row, row, std::move(t)});
    }
    for (const std::int64_t k : a.restarts) {
        if (k < 1 || k > rows) continue;
        const std::int64_t row = k - 1;
        const HeadingFacts& h = a.headings[static_cast<std::size_t>(row)];
        // What the numbering had reached: the nearest heading before it, not in doubt, of the same unit.
        std::int64_t before = row - 1;
        while (before >= 0 && (a.headings[static_cast<std::size_t>(before)].suspect != 0 ||
                               a.headings[static_cast<std::size_t>(before)].number.unit != h.number.unit))
            --before;
        Text t = before >= 0 ? entryWithNumber(a, before) : Text();
        t.append(before >= 0 ? u" 之后从" : u"从").append(chapterNumberText(h.number)).append(u"重新编号");
        out.push_back({MatterKind::Restart, row, row, std::move(t)});
    }
    std::stable_sort(out.begin(), out.end(), [](const Matter& x, const Matter& y) {
        return x.first != y.first ? x.first < y.first : x.kind < y.kind;
    });
    for (const Matter& m : out)
        ++r.counts[static_cast<std::size_t>(m.kind)];
    return r;
}

} // namespace pw
