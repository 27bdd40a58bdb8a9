#pragma once
// What an output run did to the output folder that a failure or a stop must take back. An
// append is the one write that changes a file the user already had: a run that ends before
// it is done would leave those files with half of this run's text after their own, and the
// files before it appended too, so a second try appends it all again. Each appended file is
// remembered with its length before its first new byte, and cut back to it; the files the
// run made new go too, so the folder is as it was and the same command can simply run again.
#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace pw {

struct Undone {
    std::int64_t restored = 0; // appended files cut back to their old length
    std::int64_t removed = 0;  // files the run had made, removed
    // Files that could not be put back (changed or replaced by someone else meanwhile, or the
    // system refused): the path and why.
    std::vector<FileError> left;
    bool any() const { return restored > 0 || removed > 0 || !left.empty(); }
};

// What was taken back, as a sentence for the user: the counts, and each file left as it is.
Text undoneText(const Undone& u);

class RunUndo {
public:
    // Before the first byte goes after the `oldSize` bytes of the file at `path`.
    void appended(TextView path, std::int64_t oldSize, const FolderLock* folder);
    // The run made the file at `path` (it was not there before).
    void created(TextView path, const FolderLock* folder);
    bool appendedAny() const { return m_appendedAny; }
    // When the run appended to anything: cuts every appended file back and removes every file
    // it made, last first. Nothing otherwise: a run that only made files leaves what it wrote,
    // as before, and says which file is incomplete.
    Undone takeBack(const FolderLock* folder);

private:
    struct Entry {
        Text path;
        std::int64_t oldSize = -1; // -1: made by the run
        std::uint64_t device = 0, inode = 0;
        bool known = false; // device and inode were read
    };
    void note(TextView path, std::int64_t oldSize, const FolderLock* folder);
    std::vector<Entry> m_entries;
    bool m_appendedAny = false;
};

} // namespace pw
