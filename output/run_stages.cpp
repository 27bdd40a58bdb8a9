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
    // The file's first part shows its layout as well as the whole would, at no cost to speak of.
    const SampleLines sample = readSampleLines(r.input, kPresetSampleBytes, r.encoding);
    run.layout = paragraphLayout(mode, sample.lines);
    run.chosen = mode == ParagraphMode::Auto;
    if (run.layout->mode == ParagraphMode::Line) return run;
    run.stages.push_back(paragraphStage(*run.layout, r.dropBlank));
    run.stages.seesBlankLines = true;
    return run;
}

} // namespace pw
