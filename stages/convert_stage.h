#pragma once
// Traditional↔Simplified conversion as a stage: last in a run, so what it converts is the
// final text, headings included (the book's titles and contents list come from them).
// OpenCC is slow next to the rest of a run (a few MB/s), so lines are gathered into pieces
// of a few hundred KB that threads on every core convert at once, and handed on in their
// order as each piece is done.
#include <memory>

#include "convert/chinese_converter.h"
#include "stages/stage.h"

namespace pw {

class ConvertStage : public Stage {
public:
    // `threads` 0: one per core.
    ConvertStage(ChapterSink& next, std::shared_ptr<const ChineseConverter> converter, unsigned threads = 0);
    ~ConvertStage() override;
    bool beginChapter(const ChapterStart& c) override;
    bool line(const Line& l) override;
    bool endChapter() override;
    bool close(bool complete) override;

private:
    struct Piece;
    struct Pool;
    bool submit(bool all); // the piece being gathered goes to the threads; `all`: wait for every piece
    bool handOn(bool wait, std::size_t keep);

    std::unique_ptr<Pool> m_pool;
    std::unique_ptr<Piece> m_piece; // being gathered
    bool m_going = true;
};

StageMaker convertStage(std::shared_ptr<const ChineseConverter> converter, unsigned threads = 0);

} // namespace pw
