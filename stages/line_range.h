#pragma once
// A part of the input: only the lines from `first` to `last` go on. One book per volume is the
// whole input walked once for each volume, each walk keeping that volume's lines.
#include <cstdint>

#include "stages/stage.h"

namespace pw {

class LineRangeStage : public Stage {
public:
    LineRangeStage(ChapterSink& next, std::int64_t first, std::int64_t last)
        : Stage(next), m_first(first), m_last(last) {}
    bool line(const Line& l) override {
        return l.number() < m_first || l.number() > m_last ? true : Stage::line(l);
    }

private:
    std::int64_t m_first, m_last;
};

inline StageMaker lineRangeStage(std::int64_t first, std::int64_t last) {
    return [first, last](ChapterSink& next) { return std::make_unique<LineRangeStage>(next, first, last); };
}

} // namespace pw
