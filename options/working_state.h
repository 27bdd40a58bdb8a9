#pragma once
// The one record of the main window: the options as last taken from the fields, and the
// results of the last scan (what an output run keeps is its own: walk/kept_table.h). Counts, line numbers and sizes
// are 64-bit so that files over 2 GiB and more than 32,767 headings work; what is shown keeps its form.
#include <cstdint>
#include <vector>

#include "options/output_encoding.h"
#include "platform/text.h"

namespace pw {

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
    bool blnAnalyzed = false;

    // Start-up step 1: clear the analysis results.
    void clearAnalysis() {
        strInFile.clear();
        strAnalyzedFile.clear();
        lngFileSize = 0;
        lngMatchCount = 0;
    }
};

} // namespace pw
