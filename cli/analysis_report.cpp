#include "cli/analysis_report.h"

#include <algorithm>
#include <iterator>

#include "scan/analysis_texts.h"

namespace pw::cli {

AnalysisJson addAnalysisJson(const HeadingAnalysis& a, nlohmann::ordered_json& headings) {
    for (std::size_t i = 0; i < a.headings.size() && i < headings.size(); ++i) {
        const HeadingFacts& h = a.headings[i];
        nlohmann::ordered_json& j = headings[i];
        j["chapter_number"] = h.hasNumber() ? nlohmann::ordered_json(h.number.value) : nlohmann::ordered_json();
        if (const auto volume = a.volumeOf(i)) j["volume"] = volume->value;
        j["chapter_bytes"] = a.chapterBytes(i);
        j["chapter_lines"] = a.chapterLines(i);
        j["suspect"] = suspectCodes(h.suspect);
        if (const ChapterParts* parts = a.partsOf(i)) j["parts"] = parts->headings;
    }
    AnalysisJson out{nlohmann::ordered_json::array(), nlohmann::ordered_json::array()};
    for (const NumberGap& g : a.gaps)
        out.gaps.push_back({{"after", g.afterNumber}, {"missing", g.missing}});
    for (const NumberRepeat& r : a.repeats)
        out.repeats.push_back({{"number", r.number}, {"headings", r.headings}});
    return out;
}

std::vector<Text> checkReport(const HeadingAnalysis& a, const std::vector<Text>& texts) {
    std::vector<Text> out;
    for (std::size_t i = 0; i < a.headings.size(); ++i) {
        const HeadingFacts& h = a.headings[i];
        if (h.suspect == 0) continue;
        Text t = u"可疑 [" + decimal(static_cast<std::int64_t>(i) + 1) + u"] 第 " + decimal(h.line) + u" 行（" +
                 reasonWords(h.suspect) + u"）：";
        if (i < texts.size()) t.append(trimSpaces(texts[i]));
        out.push_back(std::move(t));
    }
    for (Text& l : numberingLines(a))
        out.push_back(std::move(l));
    out.push_back(u"共 " + decimal(static_cast<std::int64_t>(a.headings.size())) + u" 个标题：可疑 " +
                  decimal(a.suspectCount()) + u" 个，缺号 " + decimal(static_cast<std::int64_t>(a.gaps.size())) +
                  u" 处，重号 " + decimal(static_cast<std::int64_t>(a.repeats.size())) + u" 处");
    return out;
}

} // namespace pw::cli
