#pragma once
// The one record of the main window: the options as last taken from the fields, and the
// results of the last scan and output run. Counts, line numbers and sizes are 64-bit so
// that files over 2 GiB and more than 32,767 headings work; what is shown keeps its form.
#include <cstdint>
#include <vector>

#include "platform/encoding.h"
#include "platform/text.h"

namespace pw {

// The bytes of the output files: the input's own (lines copied as read), or UTF-8.
enum class OutputEncoding { Keep, Utf8 };

struct WorkingState {
    // Options.
    Text strOutDir;
    Text strOutName;
    Text strFindStr;
    std::int32_t lngChapsPerFile = 0;
    std::int32_t lngStartNum = 0;
    std::int32_t lngNumWidth = 0;
    bool blnDeleteSpc = false;
    bool blnDoEvents = false;
    OutputEncoding outputEncoding = OutputEncoding::Keep;

    // Results of the last scan.
    Text strInFile;
    Text strAnalyzedFile;
    std::int64_t lngFileSize = 0;
    std::int64_t lngMatchCount = 0;
    // 1, the line number of each heading in file order, then the number of lines + 1.
    std::vector<std::int64_t> lngMatchLines;
    // The encoding the last finished scan decided for its file.
    Encoding analyzedEncoding = Encoding::Gb18030;
    bool blnAnalyzed = false;

    // Results of the last output run.
    std::int64_t lngKeptCount = 0;
    std::vector<std::int64_t> lngKeptLines;

    // Start-up step 1: clear the analysis results.
    void clearAnalysis() {
        strInFile.clear();
        strAnalyzedFile.clear();
        lngFileSize = 0;
        lngMatchCount = 0;
        lngKeptCount = 0;
    }
};

} // namespace pw
