#pragma once
// The numbered text files: the text before the first kept heading in "小说(index).txt", then
// N chapters to each of 小说01.txt, 小说02.txt, … in the output folder, every line ended by
// CR LF in the output's encoding, a UTF-16 file starting with its byte-order mark, and a
// file that exists replaced or appended to as the user says.
#include <cstdint>

#include "options/working_state.h"
#include "output/format.h"

namespace pw {

// The file index of chapter i with n chapters to a file: 0 for the preamble, else
// (i - 1) div n + 1, which is i itself when n is 1.
constexpr std::int64_t fileIndexOf(std::int64_t chapter, std::int64_t n) {
    return chapter <= 0 ? 0 : (chapter - 1) / n + 1;
}
// A file opens at the preamble and at the first chapter of each group of n...
constexpr bool opensFile(std::int64_t chapter, std::int64_t n) {
    return chapter == 0 || n == 1 || chapter % n == 1;
}
// ...and closes after the last chapter of its group, or after the last chapter of all.
constexpr bool closesFile(std::int64_t chapter, std::int64_t n, std::int64_t keptCount) {
    return chapter % n == 0 || chapter == keptCount;
}

class TextFiles : public OutputFormat {
public:
    // Takes the naming options and the chapters to a file from `st`, as they are now.
    explicit TextFiles(const WorkingState& st);

    Text folder() const override { return m_naming.strOutDir; }
    PlannedFile file(std::int64_t index) const override;
    // The preamble's (when the first kept heading is not line 1), then 1 up to the last group's.
    std::vector<std::int64_t> fileIndexes(const KeptTable& kept) const override;
    std::unique_ptr<ChapterSink> sink(const FormatContext& context) const override;
    Text doneStatus(const OutputFigures& made) const override;

private:
    WorkingState m_naming;
    std::int64_t m_n; // chapters to a file
};

} // namespace pw
