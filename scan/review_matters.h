#pragma once
// Everything the heading analysis asks the user to look at, as one list in the file's order:
// suspect lines, the book's own tables of contents, gaps, repeats and restarts of the
// numbering. Each matter leads to the list rows it concerns, so a front end can jump to them
// and leave them out; the words are the same for every front end.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/text.h"
#include "scan/heading_analysis.h"

namespace pw {

// In the order they are counted and offered for filtering.
enum class MatterKind : std::uint8_t { Suspect, Contents, Gap, Repeat, Restart };
inline constexpr std::size_t kMatterKinds = 5;

// "可疑", "目录", "缺号", "重号", "重新编号".
Text matterKindWord(MatterKind kind);

struct Matter {
    MatterKind kind = MatterKind::Suspect;
    // The list rows (heading k is row k - 1) it concerns, first to last: a table of contents
    // spans its lines, everything else one row. A gap leads to the entry that goes on after
    // it, a repeat to the first entry that carries the number again, a restart to the entry
    // that starts again.
    std::int64_t first = 0;
    std::int64_t last = 0;
    Text reason;
};

struct ReviewMatters {
    std::vector<Matter> matters; // by first row, then by kind
    std::array<std::int64_t, kMatterKinds> counts{};
};

// The lines of a table of contents are one matter together, not a suspect each: they are
// looked at, and left out, as a block.
ReviewMatters reviewMatters(const HeadingAnalysis& a);

// The row that goes on with the numbering after a gap: the next heading not in doubt that
// carries a higher number of the same unit. -1 when none does.
std::int64_t rowAfterGap(const HeadingAnalysis& a, const NumberGap& g);

} // namespace pw
