#pragma once
// The EPUB book: the kept chapters as an EPUB 3 book with both tables of contents (nav.xhtml,
// and toc.ncx for older readers), one page file per chapter (a long one continued in further
// files), the text before the first kept heading as 前言 when it holds anything, and volumes
// above chapters when a volume pattern picks them out. Written whole under a temporary name
// and put in place at the end, like every file of a run that reads once.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/encoding.h"
#include "platform/regex.h"
#include "split/refusals.h"
#include "split/split_run.h"

namespace pw {

struct EpubSettings {
    Text path;          // the book
    Text title;         // not empty
    Text author;        // may be empty
    Text language;      // empty: zh-CN, or zh-TW for a Big5 input
    Text cover;         // a JPEG or PNG, or empty
    Text volumePattern; // empty: one level
    bool vertical = false;
    // Stamps the book (dcterms:modified and the archive's entries): the input's modification
    // time, so that the same input and options give the same book.
    std::int64_t modified = 0;
    // How hard the pages are deflated (1 to 9). The fastest: on the 200 MB benchmark it takes a
    // third of the time of level 6 for a book 11% larger (159 MB against 143 MB), and a reader
    // unpacks either alike.
    int level = 1;
};

// What a front end checks before a book is made: the title, the cover (readable, a JPEG or a
// PNG by its signature), the volume pattern, the book's folder. Empty when all is well.
std::optional<Refusal> checkEpubSettings(const EpubSettings& s);

// The volume pattern the 卷/部 preset implies for the book's two levels.
Text defaultVolumePattern();

// What the last book holds, for the final status and the command line's summary.
struct BookStats {
    std::int64_t chapters = 0;
    std::int64_t volumes = 0;
    bool preface = false;
};

class EpubBook : public OutputFormat {
public:
    explicit EpubBook(EpubSettings s);
    ~EpubBook() override;

    Text folder() const override;
    PlannedFile file(std::int64_t index) const override;
    std::vector<std::int64_t> fileIndexes(const KeptTable& kept) const override;
    bool placesWhenDone() const override { return true; }
    bool appendable() const override { return false; }
    std::unique_ptr<OutputEncoder> encoder(OutputEncoding, Encoding input) const override;
    std::unique_ptr<ChapterSink> sink(OutputFiles& files, OutputEncoder& encoder, const KeptTable& kept, UiPort& ui,
                                      SplitReceiver& receiver) const override;
    Text doneStatus(std::int64_t files) const override;

    const BookStats& stats() const { return m_stats; }

private:
    EpubSettings m_s;
    // What the run's sink finds out, for the final status; the input's encoding, from encoder().
    mutable BookStats m_stats;
    mutable Encoding m_input = Encoding::Gb18030;
};

} // namespace pw
