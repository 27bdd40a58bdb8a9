#pragma once
// The EPUB book: the kept chapters as an EPUB 3 book with both tables of contents (nav.xhtml,
// and toc.ncx for older readers), one page file per chapter (a long one continued in further
// files), the text before the first kept heading as 前言 when it holds anything, and volumes
// above chapters when a volume pattern picks them out. Written whole under a temporary name
// and put in place at the end, like every file of a run that reads once.
#include <cstdint>
#include <optional>

#include "formats/epub/book_settings.h"
#include "output/format.h"
#include "platform/regex.h"

namespace pw {

class EpubBook : public OutputFormat {
public:
    // `s` has passed checkEpubSettings. `index` is the book's file among a run's (a book per
    // volume writes several in one run).
    explicit EpubBook(EpubSettings s, std::int64_t index = 1);
    ~EpubBook() override;

    Text folder() const override;
    PlannedFile file(std::int64_t index) const override;
    std::vector<std::int64_t> fileIndexes(const KeptTable& kept) const override;
    bool placesWhenDone() const override { return true; }
    bool appendable() const override { return false; }
    // UTF-8, whatever the input and the user's choice for text files.
    std::unique_ptr<OutputEncoder> encoder(OutputEncoding, Encoding input) const override;
    Text volumePattern() const override { return m_s.volumePattern; }
    const EpubSettings& settings() const { return m_s; }
    std::unique_ptr<ChapterSink> sink(const FormatContext& context) const override;
    Text doneStatus(const OutputFigures& made) const override;

private:
    EpubSettings m_s;
    std::int64_t m_index;
};

} // namespace pw
