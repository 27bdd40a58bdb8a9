#pragma once
// Where a sink's files go: the planned files themselves, opened as the plan found them and
// as the user answers about them; or temporary files in the output folder, put in place
// under their planned names only once the whole input has been read and checked. Every
// output format writes through one of these.
#include <cstdint>
#include <functional>
#include <map>

#include "platform/files.h"
#include "platform/ui_port.h"
#include "output/output_open.h"
#include "output/output_plan.h"

namespace pw {

// How the names of runs' temporary files and of their locks begin: hidden, and no output's.
inline constexpr char16_t kRunFilePrefix[] = u".pagewright-";

class OutputFiles {
public:
    virtual ~OutputFiles() = default;
    // The output file of this index, as the user knows it.
    virtual const PlannedFile& file(std::int64_t index) = 0;
    virtual OpenedOutput open(std::int64_t index, OutputFile& out) = 0;
    // Whether nobody sees the files before the run is over and put in place: then a failure
    // may be found a little after the write that met it (see WriteBehind).
    virtual bool hiddenUntilDone() const { return false; }
};

class PlannedFiles : public OutputFiles {
public:
    PlannedFiles(const OutputPlan& plan, Encoding output, UiPort& ui, const FolderLock* folder, RunUndo* undo = nullptr)
        : m_plan(plan), m_output(output), m_ui(ui), m_folder(folder), m_undo(undo) {}
    const PlannedFile& file(std::int64_t index) override { return m_plan.file(index); }
    OpenedOutput open(std::int64_t index, OutputFile& out) override {
        return openPlannedFile(m_plan.file(index), m_output, m_ui, out, m_folder, m_undo);
    }

private:
    const OutputPlan& m_plan;
    Encoding m_output;
    UiPort& m_ui;
    const FolderLock* m_folder;
    RunUndo* m_undo;
};

// Each file written whole under a hidden name of its own in the output folder, so that
// putting it in place is a rename on the same file system. Removes whatever it still holds.
// Every file is reached through `lock`, the run's hold on the folder: moved or replaced
// under its name meanwhile, the folder it locked still gets the files and loses the
// temporary ones.
class TempFiles : public OutputFiles {
public:
    using Namer = std::function<PlannedFile(std::int64_t index)>;
    TempFiles(TextView folder, Namer names, const FolderLock& lock);
    ~TempFiles() override { removeAll(); }

    const PlannedFile& file(std::int64_t index) override;
    OpenedOutput open(std::int64_t index, OutputFile& out) override;
    bool hiddenUntilDone() const override { return true; }
    // The temporary file written for this index, now the caller's; empty when there is none.
    Text take(std::int64_t index);
    void removeAll();
    const FolderLock& lock() const { return m_lock; }

private:
    struct Entry {
        PlannedFile planned;
        Text temp;
    };
    bool claim(); // the run's tag, held before its first temporary file is made

    Text m_folder; // with its separator
    Namer m_names;
    const FolderLock& m_lock;
    Text m_tag;
    HeldFile m_alive; // ".pagewright-<tag>.lock": these temporary files belong to a live run
    std::map<std::int64_t, Entry> m_files;
};

struct PlacedFiles {
    std::int64_t placed = 0;
    bool stopped = false;           // the front end asked to stop before the next
    std::optional<Message> failure; // why the next could not be placed
    bool refused = false;           // ...its question was answered Cancel
};

// Puts the finished files in place in the plan's order, as a run writing them directly would
// open them: the same questions, the same refusals. `bomLength`: the mark each file starts
// with, left out when appended to a file that has one. `placed` hears each file put in place.
// Removes the temporary files that a run killed before it could clean up (the power went, or
// it was killed outright) left in the folder that `lock` holds. A run that writes its files
// whole before it places them lets other runs into the folder meanwhile, so only the files
// whose run no longer holds its ".lock" go. Returns how many went.
std::int64_t removeOrphanedTempFiles(const FolderLock& lock);

// `undo` hears of each file made or appended to.
PlacedFiles placeAll(const OutputPlan& plan, TempFiles& temps, std::size_t bomLength, Encoding output, UiPort& ui,
                     const std::function<void(const PlannedFile&, bool appended)>& placed, RunUndo* undo = nullptr);

} // namespace pw
