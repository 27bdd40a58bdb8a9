#pragma once
// The stages that shape a run's text for its format: a book's volumes, titles and scene breaks,
// and the paragraphs rebuilt. The job (job/job.h) puts the clean-up rules in front of them and
// the conversion after.
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/encoding.h"
#include "stages/paragraphs.h"
#include "stages/stage.h"

namespace pw {

struct ShapeRequest {
    bool book = false; // a book shows scene breaks and titles as such
    // Text files keep every line unless asked; a book rebuilds paragraphs unless told not to.
    std::optional<ParagraphMode> paragraphs;
    bool dropBlank = false;           // the user leaves blank lines out
    std::filesystem::path input;      // the file the layout is read from
    std::optional<Encoding> encoding; // as the user named it; else found as the scan finds it
    Text volumePattern;               // a book's: lines it matches head volumes, headings or not
};

struct RunStages {
    StageList stages;
    // How the paragraphs start out, from the file's first part, when they are rebuilt.
    std::optional<ParagraphLayout> layout;
    bool chosen = false; // the layout was chosen from the file (auto)
    // What the paragraph stage chose stretch by stretch, filled as the run goes: the run's
    // summary tells tally->describe() once it is over (null when no paragraphs are rebuilt).
    std::shared_ptr<ParagraphTally> tally;
};

RunStages stagesFor(const ShapeRequest& r);

} // namespace pw
