#include "stages/clean_preview.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/paths.h"
#include "stages/chapter_rules.h"
#include "stages/clean_stage.h"
#include "walk/exclusions.h"
#include "walk/kept_table.h"
#include "walk/line_walk.h"

namespace pw {

namespace {

// Takes every line and keeps nothing.
class NoSink : public ChapterSink {
public:
    bool beginChapter(const ChapterStart&) override { return true; }
    bool line(const Line&) override { return true; }
    bool endChapter() override { return true; }
    bool close(bool) override { return true; }
    OutputFigures figures() const override { return {}; }
};

class Collect : public CleanObserver {
public:
    explicit Collect(std::vector<CleanHit>& hits) : m_hits(hits) {}
    void hit(std::int64_t line, const std::string& rule, std::string_view before, std::string_view after) override {
        m_hits.push_back({line, rule, std::string(before), std::string(after)});
    }

private:
    std::vector<CleanHit>& m_hits;
};

} // namespace

CleanPreview previewClean(TextView path, Encoding encoding, const std::vector<std::int64_t>& headings,
                          std::shared_ptr<const CleanRuleSet> rules, UiPort& ui) {
    CleanPreview out;
    InputFile in;
    if (auto e = in.open(path)) {
        out.failure = e->reason;
        return out;
    }
    const KeptTable kept = buildKeptTable(headings, RowRanges());
    NoSink none;
    Collect collect(out.hits);
    auto tally = std::make_shared<CleanTally>();
    // The rules that cross lines run on each chapter after the line rules, as in a run.
    const std::unique_ptr<Stage> across = chapterRulesStage(rules, tally, &collect)(none);
    CleanStage stage(*across, std::move(rules), tally, &collect, false,
                     std::make_shared<CleanEvidence>(toPath(path), encoding));
    LineReader reader(in, traitsOf(encoding), LineReader::kDefaultCapacity);
    WalkSettings settings;
    settings.fileSize = in.size();
    ChapterWalk walk(kept, false, traitsOf(encoding), settings, stage, ui);
    const WalkEnd end = walk.run(reader);
    stage.close(end == WalkEnd::Done);
    // A chapter's cross-line hits come after its line hits: in the order of the lines.
    std::stable_sort(out.hits.begin(), out.hits.end(),
                     [](const CleanHit& a, const CleanHit& b) { return a.line < b.line; });
    out.tally = *tally;
    if (end == WalkEnd::Stopped) out.stopped = true;
    if (end == WalkEnd::ReadFailed) out.failure = reader.error() ? reader.error()->reason : Text(u"读取失败");
    return out;
}

} // namespace pw
