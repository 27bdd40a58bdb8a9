#pragma once
// The files an output run will write, worked out once before any of them is touched: the
// window's question about a file that exists, the command line's --existing and the refusal
// of an output that is the input itself all read this one list.
#include <cstdint>
#include <optional>
#include <vector>

#include "options/working_state.h"
#include "platform/text.h"

namespace pw {

struct PlannedFile {
    std::int64_t index = 0; // 0 for the preamble's "(index)" file
    Text path;              // the full path
    Text name;              // the short name the status line shows
    bool exists = false;    // something is there already: a file, a link, or a folder the file cannot be made over
};

struct OutputPlan {
    // In the order the pass opens them.
    std::vector<PlannedFile> files;
    // The first planned file that is the analysed input itself, by its name or by another
    // path to the same file (a link, another spelling of the folder): deleting or appending
    // to it would destroy the novel being read.
    std::optional<std::size_t> sameAsInput;

    const PlannedFile& file(std::int64_t index) const {
        return files[static_cast<std::size_t>(index - files.front().index)];
    }
};

// Needs the kept table with its closing entry (buildKeptTable). Takes `st` as MakeOutName
// does: a full path completes strOutDir's separator.
OutputPlan planOutput(WorkingState& st);

} // namespace pw
