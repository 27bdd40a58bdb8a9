#pragma once
// A stage on its own: lines in, lines out, with no file, walk or format around it. Chapters
// are given as lists of lines (the first of chapter k >= 1 is its heading); what reaches the
// end of the chain is recorded as the sink saw it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/regex.h"
#include "stages/stage.h"

namespace pwtest {

struct StageOut {
    std::string text; // UTF-8, as the last stage left it
    pw::LineRole role = pw::LineRole::Body;
    std::int64_t number = 0;
    std::int64_t chapter = 0;
    bool volume = false;
};

class RecordingSink : public pw::ChapterSink {
public:
    std::vector<StageOut> lines;
    std::vector<std::int64_t> chapters; // as each began
    bool closed = false;
    bool beginChapter(const pw::ChapterStart& c) override {
        chapters.push_back(c.chapter);
        return true;
    }
    bool line(const pw::Line& l) override {
        lines.push_back({l.text(), l.role(), l.number(), l.chapter(), l.volume()});
        return true;
    }
    bool endChapter() override { return true; }
    bool close(bool) override {
        closed = true;
        return true;
    }
    pw::OutputFigures figures() const override { return {}; }
};

// Chapter 0 is the text before the first heading (may be empty); blank lines given as "".
// Headings that `volumes` matches are volumes, as the walk marks them.
inline RecordingSink runStages(const pw::StageList& stages, const std::vector<std::vector<std::string>>& chapters,
                               const pw::Text& volumes = {}) {
    std::optional<pw::Regex> volume;
    if (!volumes.empty()) volume.emplace(std::move(std::get<pw::Regex>(pw::Regex::compile(volumes))));
    RecordingSink sink;
    pw::StageChain chain(stages, sink);
    pw::LineDecoder decoder(pw::Encoding::Utf8);
    std::int64_t number = 0;
    pw::Line line;
    for (std::size_t k = 0; k < chapters.size(); ++k) {
        if (chapters[k].empty()) continue;
        if (k > 0 && !sink.chapters.empty()) chain.first().endChapter();
        chain.first().beginChapter({static_cast<std::int64_t>(k), number + 1, 0});
        for (std::size_t i = 0; i < chapters[k].size(); ++i) {
            const std::string& t = chapters[k][i];
            const bool blank = t.find_first_not_of(" ") == std::string::npos;
            const pw::LineRole role =
                k > 0 && i == 0 ? pw::LineRole::Heading : blank ? pw::LineRole::Blank : pw::LineRole::Body;
            line = pw::Line(t, role, ++number, static_cast<std::int64_t>(k), &decoder);
            if (role == pw::LineRole::Heading && volume)
                line.setVolume(volume->test(pw::fromUtf8(t)) == pw::MatchResult::Match);
            chain.first().line(line);
        }
    }
    chain.first().close(true);
    return sink;
}

} // namespace pwtest
