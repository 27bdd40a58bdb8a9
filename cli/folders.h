#pragma once
// What --create-dir makes, so that the run can say so, and take it back when the run is
// then refused: a folder the user never asked to keep empty.
#include <vector>

#include "platform/text.h"

namespace pw::cli {

// The folders on the way to `dir` (itself included) that do not exist yet, outermost first.
std::vector<Text> missingFolders(const Text& dir);

// The folders a run makes on the way to its output folder. Those still empty when it goes
// are removed, innermost first, unless the run said it wrote (keep()): a refused run leaves
// no trace. Only the folders missing when it was made count; whatever was there stays.
class MadeFolders {
public:
    MadeFolders() = default;
    // Notes what is missing on the way to `dir`; the caller (or the option intake) makes it.
    explicit MadeFolders(const Text& dir) : m_missing(missingFolders(dir)) {}
    ~MadeFolders() { takeBack(); }
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;

    // Makes the missing folders, outermost first; false, with `error` set, when one cannot
    // be made (those made before it are taken back with the rest).
    bool make(int& error);
    // The folders that were missing, outermost first.
    const std::vector<Text>& missing() const { return m_missing; }
    // The run wrote: what it made stays, empty or not.
    void keep() { m_kept = true; }
    // Removes the folders made that are still empty, innermost first (done when it goes).
    void takeBack();

private:
    std::vector<Text> m_missing;
    bool m_kept = false;
};

} // namespace pw::cli
