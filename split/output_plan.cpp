#include "split/output_plan.h"

#include <filesystem>

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
    const Text inputName = fromPath(inputNormal.filename());
    // Every file is named "<name><number>.txt" in the output folder unless the name holds a
    // separator. An empty folder holds none of them: one look at it spares a look at each,
    // which in a fresh folder is most of the plan's time (a pass makes thousands of files).
    // Any entry at all, and each file is looked at by its own path, as the system finds it.
    const bool flat = st.strOutName.find_first_of(u"/\\") == Text::npos;
    const bool noneThere = flat && isEmptyFolder(toPath(st.strOutDir));
    for (const std::int64_t k : plannedFileIndexes(st)) {
        PlannedFile f{k, MakeOutName(st, k, false), MakeOutName(st, k, true), false};
        // A link counts, whether or not it points anywhere: the pass will not write through it.
        f.exists = !noneThere && entryAt(f.path) != EntryKind::None;
        // Its last part ends in ".txt", so it is never "." or "..": a path that does not end
        // in the input's own name cannot be spelled as the input.
        if (!plan.sameAsInput) {
            const fs::path p = toPath(f.path);
            if ((f.path.ends_with(inputName) && fs::absolute(p, ec).lexically_normal() == inputNormal) ||
                (f.exists && fs::equivalent(p, input, ec)))
                plan.sameAsInput = plan.files.size();
        }
        plan.files.push_back(std::move(f));
    }
    return plan;
}

} // namespace pw
