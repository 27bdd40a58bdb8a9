#pragma once
// The files an output run will write, worked out once before any of them is touched: the
// window's question about a file that exists, the command line's --existing, the refusal of
// an output that is the input itself and of an append that would mix two encodings all read
// this one list. Whatever the output format: it names the files, the plan looks at them.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/text.h"

namespace pw {

struct PlannedFile {
    std::int64_t index = 0; // the format's own numbering (0 for the text files' "(index)" file)
    Text path;              // the full path
    Text name;              // the short name the status line shows
    bool exists = false;    // something is there already: a file, a link, or a folder the file cannot be made over
    // An existing file in another encoding than this run writes, which an append would mix:
    // its encoding's name, for the refusal.
    std::optional<Text> appendMixes{};
    // Whether it may be appended to at all (a book may not).
    bool appendable = true;
};

struct OutputPlan {
    // In the order the run opens them.
    std::vector<PlannedFile> files;
    // The first planned file that is the analysed input itself, by its name or by another
    // path to the same file (a link, another spelling of the folder): deleting or appending
    // to it would destroy the novel being read.
    std::optional<std::size_t> sameAsInput;
    // The encoding the run writes.
    Encoding output = Encoding::Gb18030;

    const PlannedFile& file(std::int64_t index) const {
        return files[static_cast<std::size_t>(index - files.front().index)];
    }
};

// Looks at each named file (path and name set, the rest filled in here). `folder` is the
// output folder (looked at through `lock`, the run's hold on it, when given), `input` the
// analysed file, `output` the encoding the run writes.
OutputPlan planOutput(std::vector<PlannedFile> files, TextView folder, TextView input, Encoding output,
                      const FolderLock* lock = nullptr);

// The encoding an existing file is in, as far as an append cares: its byte-order mark, else
// what its first bytes say. Empty when nothing would mix with `output` (an empty file, plain
// ASCII under an 8-bit or UTF-8 output, or the same encoding); else that encoding's name.
std::optional<Text> encodingThatWouldMix(TextView path, Encoding output, const FolderLock* lock = nullptr);

} // namespace pw
