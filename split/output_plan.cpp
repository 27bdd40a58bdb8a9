#include "split/output_plan.h"

#include <filesystem>

#include "options/make_out_name.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "split/kept_table.h"

namespace pw {

OutputPlan planOutput(WorkingState& st) {
    namespace fs = std::filesystem;
    OutputPlan plan;
    std::error_code ec;
    const fs::path input = toPath(st.strAnalyzedFile);
    const fs::path inputNormal = fs::absolute(input, ec).lexically_normal();
    for (const std::int64_t k : plannedFileIndexes(st)) {
        PlannedFile f{k, MakeOutName(st, k, false), MakeOutName(st, k, true), false};
        const fs::path p = toPath(f.path);
        // A link counts, whether or not it points anywhere: the pass will not write through it.
        f.exists = entryAt(f.path) != EntryKind::None;
        if (!plan.sameAsInput &&
            (fs::absolute(p, ec).lexically_normal() == inputNormal || (f.exists && fs::equivalent(p, input, ec))))
            plan.sameAsInput = plan.files.size();
        plan.files.push_back(std::move(f));
    }
    return plan;
}

} // namespace pw
