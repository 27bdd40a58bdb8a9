#pragma once
// A book per volume, written in one walk over the novel: each volume's lines go to a book of
// their own, named by the book's title and the volume's line. Every book is written whole
// under a temporary name and all are put in place together at the end, as the text files are,
// so a failure or a stop leaves the folder as it was.
#include <cstdint>
#include <memory>
#include <vector>

#include "convert/chinese_converter.h"
#include "formats/epub/book_settings.h"
#include "options/working_state.h"
#include "output/format.h"
#include "platform/ui_port.h"

namespace pw {

struct VolumeBooksPlan {
    std::unique_ptr<OutputFormat> books; // none after a refusal, told through the UI port
    bool noVolumes = false;              // the volume pattern found no line
    bool stopped = false;                // the front end asked to stop during the volumes' scan
};

// Finds the volumes' lines in the analysed file (a scan with the book's volume pattern, which
// the user never sees) and names their books, checking every name before anything is written:
// a name too long for the file system, or two volumes whose books would share a name (after
// conversion and after the characters no file name can hold are made "_"), refuse the run.
// The text before the first volume goes with the first. `converter` may be null.
VolumeBooksPlan planVolumeBooks(const EpubSettings& book, const WorkingState& st, Encoding encoding,
                                const ChineseConverter* converter, UiPort& ui);

} // namespace pw
