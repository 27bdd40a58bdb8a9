#pragma once
// The stages a run's lines go through, from what the user asked of the run: both front ends
// build the chain here, so the window and the command line shape a text the same way.
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/encoding.h"
#include "stages/paragraphs.h"
#include "stages/stage.h"

namespace pw {

struct StageRequest {
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

RunStages stagesFor(const StageRequest& r);

} // namespace pw
