#include "output/output_plan.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "output/output_files.h"

namespace pw {

namespace {

// Whether `folder` could be listed and holds nothing at all.
bool isEmptyFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::directory_iterator it(folder, ec);
    return !ec && it == std::filesystem::directory_iterator();
}

} // namespace

std::optional<Text> encodingThatWouldMix(TextView path, Encoding output, const FolderLock* lock) {
    InputFile in;
    if (in.open(path, lock)) return std::nullopt; // not readable: the append itself will say why
    std::string head(kEncodingSample, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const auto n = in.read(head.data() + got, head.size() - got);
        if (!n || *n == 0) break;
        got += *n;
    }
    head.resize(got);
    if (head.empty()) return std::nullopt;
    const bool whole = got < kEncodingSample;
    const EncodingGuess guess = detectEncoding(head, whole);
    if (guess.utf32) return fromUtf8("UTF-32"); // nothing this program writes is
    if (guess.encoding == output) return std::nullopt;
    // Plain ASCII reads the same in UTF-8, GB18030 and Big5: any of them may follow it.
    const bool ascii = guess.bomLength == 0 && traitsOf(guess.encoding).unitWidth == 1 &&
                       std::all_of(head.begin(), head.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii && traitsOf(output).unitWidth == 1) return std::nullopt;
    // GB18030 and Big5 share their byte ranges, but not their characters: appending one to
    // the other garbles whichever part a reader does not take the file for.
    return fromUtf8(encodingName(guess.encoding));
}

OutputPlan planOutput(std::vector<PlannedFile> files, TextView folder, TextView inputPath, Encoding output,
                      const FolderLock* lock) {
    namespace fs = std::filesystem;
    OutputPlan plan;
    plan.output = output;
    std::error_code ec;
    const fs::path input = toPath(inputPath);
    const fs::path inputNormal = fs::absolute(input, ec).lexically_normal();
    const Text inputName = fromPath(inputNormal.filename());
    // A file named right in the output folder is missing when the folder is empty: one look
    // at it spares a look at each, which in a fresh folder is most of the plan's time (a run
    // makes thousands of files). Any entry at all, and each file is looked at by its own path.
    Text prefix(folder);
    if (!endsWithSeparator(prefix)) prefix.push_back(kSeparator);
    // Runs' temporary files and locks do not count (this run's own are there already when a
    // run that writes first plans last), unless a planned file could bear such a name.
    const bool flat = std::all_of(files.begin(), files.end(), [&](const PlannedFile& f) {
        return f.path.starts_with(prefix) && f.path.find_first_of(u"/\\", prefix.size()) == Text::npos &&
               !TextView(f.path).substr(prefix.size()).starts_with(kRunFilePrefix);
    });
    const bool noneThere = flat && (lock ? lock->names(1, kRunFilePrefix).empty() : isEmptyFolder(toPath(folder)));
    plan.files = std::move(files);
    for (PlannedFile& f : plan.files) {
        // A link counts, whether or not it points anywhere: the run will not write through it.
        const EntryKind kind = noneThere ? EntryKind::None : entryAt(f.path, lock);
        f.exists = kind != EntryKind::None;
        if (kind == EntryKind::File) f.appendMixes = encodingThatWouldMix(f.path, output, lock);
        // A path that does not end in the input's own name cannot be spelled as the input.
        if (!plan.sameAsInput) {
            const fs::path p = toPath(f.path);
            if ((f.path.ends_with(inputName) && fs::absolute(p, ec).lexically_normal() == inputNormal) ||
                (f.exists && fs::equivalent(p, input, ec)))
                plan.sameAsInput = static_cast<std::size_t>(&f - plan.files.data());
        }
    }
    return plan;
}

} // namespace pw
