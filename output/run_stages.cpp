#include "output/run_stages.h"

#include "scan/preset_choice.h"
#include "stages/separators.h"
#include "stages/titles.h"
#include "stages/volumes.h"

namespace pw {

RunStages stagesFor(const ShapeRequest& r) {
    RunStages run;
    // Titles first: a row of marks under a heading's title is under the heading.
    if (r.book) {
        if (auto volumes = volumeStage(r.volumePattern)) run.stages.push_back(std::move(*volumes));
        run.stages.push_back(titleStage());
        run.stages.push_back(separatorStage());
    }
    const ParagraphMode mode = r.paragraphs.value_or(r.book ? ParagraphMode::Auto : ParagraphMode::Line);
    if (mode == ParagraphMode::Line) return run;
    // The file's first part sets the layout for the stretches too short to show their own.
    const SampleLines sample = readSampleLines(r.input, kPresetSampleBytes, r.encoding);
    run.layout = paragraphLayout(mode, sample.lines);
    run.chosen = mode == ParagraphMode::Auto;
    // Chosen from the file, the layout may change past the first part: the stage judges it
    // stretch by stretch. A layout named one line a paragraph needs no stage.
    if (!run.chosen && run.layout->mode == ParagraphMode::Line) return run;
    run.tally = std::make_shared<ParagraphTally>();
    run.tally->chosen = run.chosen;
    run.stages.push_back(paragraphStage({mode, *run.layout, r.dropBlank, run.tally}));
    run.stages.seesBlankLines = true;
    return run;
}

} // namespace pw
