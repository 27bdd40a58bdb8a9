#pragma once
// A stage stands between the walk and an output format: it takes the lines of each chapter
// and hands lines on to whatever comes after it (another stage or the format's sink), which
// never knows it is there. Chapters, the end of the run and the figures pass through as they
// are, unless the stage has reason to touch them.
#include <functional>
#include <memory>
#include <vector>

#include "walk/line_walk.h"

namespace pw {

class Stage : public ChapterSink {
public:
    explicit Stage(ChapterSink& next) : m_next(next) {}

    bool beginChapter(const ChapterStart& c) override { return pass(m_next.beginChapter(c)); }
    bool line(const Line& l) override { return pass(m_next.line(l)); }
    bool endChapter() override { return pass(m_next.endChapter()); }
    bool close(bool complete) override { return pass(m_next.close(complete)); }
    OutputFigures figures() const override { return m_next.figures(); }

protected:
    ChapterSink& next() { return m_next; }
    // What comes after has stopped: its failure is the run's.
    bool pass(bool going) {
        if (!going && m_next.failure()) fail(*m_next.failure(), m_next.refused());
        return going;
    }

private:
    ChapterSink& m_next;
};

// Makes one stage in front of `next`; a run's stages are a list of these, first to last.
using StageMaker = std::function<std::unique_ptr<Stage>(ChapterSink& next)>;
struct StageList : std::vector<StageMaker> {
    using std::vector<StageMaker>::vector;
    // A stage must see the blank lines (paragraphs end at them) and leaves them out itself
    // when the user asked for that.
    bool seesBlankLines = false;
};

// A format's sink with the stages in front of it, in the order given.
class StageChain {
public:
    StageChain(const StageList& stages, ChapterSink& last);
    // Where the walk hands its lines: the first stage, or the sink itself.
    ChapterSink& first() { return m_stages.empty() ? m_last : *m_stages.front(); }

private:
    ChapterSink& m_last;
    std::vector<std::unique_ptr<Stage>> m_stages; // first to last
};

} // namespace pw
