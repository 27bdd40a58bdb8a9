#include "split/output_plan.h"

#include <filesystem>
#include <optional>

#include "options/make_out_name.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "split/kept_table.h"

namespace pw {

namespace {

// Whether `folder` could be listed and holds nothing at all.
bool isEmptyFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::directory_iterator it(folder, ec);
    return !ec && it == std::filesystem::directory_iterator();
}

} // namespace

OutputPlan planOutput(WorkingState& st) {
    namespace fs = std::filesystem;
    OutputPlan plan;
    std::error_code ec;
    const fs::path input = toPath(st.strAnalyzedFile);
    const fs::path inputNormal = fs::absolute(input, ec).lexically_normal();
    // An empty folder holds none of the files: one look at it spares a look at each of them,
    // which on a fresh folder is most of the plan's time (a pass makes thousands of files).
    // Any entry at all, and each file is looked at by its own path, as the system finds it.
    std::optional<fs::path> emptyFolder;
    for (const std::int64_t k : plannedFileIndexes(st)) {
        PlannedFile f{k, MakeOutName(st, k, false), MakeOutName(st, k, true), false};
        const fs::path p = toPath(f.path);
        if (!emptyFolder && plan.files.empty() && isEmptyFolder(p.parent_path())) emptyFolder = p.parent_path();
        // A link counts, whether or not it points anywhere: the pass will not write through it.
        f.exists = !(emptyFolder && p.parent_path() == *emptyFolder) && entryAt(f.path) != EntryKind::None;
        if (!plan.sameAsInput &&
            (fs::absolute(p, ec).lexically_normal() == inputNormal || (f.exists && fs::equivalent(p, input, ec))))
            plan.sameAsInput = plan.files.size();
        plan.files.push_back(std::move(f));
    }
    return plan;
}

} // namespace pw
