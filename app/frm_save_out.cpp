// The output runs behind "输出(&O)": the numbered text files, and the book of its right-click
// menu. Each is the dialogs' answers made into a job (job/job.h), which the core runs.
#include <QItemSelectionModel>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/epub_dialog.h"
#include "app/frm_pagewright.h"
#include "app/pickers.h"
#include "job/job.h"
#include "output/refusals.h"
#include "options/intake.h"
#include "platform/paths.h"
#include "scan/heading_analysis.h"
#include "scan/preset_choice.h"
#include "scan/presets.h"

namespace pw {

void frmPagewright::cmdSaveOut_Click() {
    if (m_busy) return;
    if (!precheckSplit(m_state, m_headings->rowCount(), *m_ui)) return;
    if (!CheckOptions(0)) return;
    saveOutChecked();
}

RowRanges frmPagewright::selectedRows() const {
    std::vector<RowRanges::Range> selected;
    for (const QItemSelectionRange& r : lstMemo->selectionModel()->selection())
        selected.emplace_back(r.top(), r.bottom());
    return RowRanges::of(std::move(selected));
}

StageRequest frmPagewright::stageRequestFor(std::optional<ParagraphMode> paragraphs) const {
    StageRequest r;
    r.paragraphs = paragraphs;
    r.clean = m_textChoices.clean;
    for (const QString& file : m_textChoices.ruleFiles)
        r.cleanRules.push_back(toNativeBytes(fromQ(file)));
    if (!m_textChoices.convert.isEmpty()) r.convert = m_textChoices.convert.toStdString();
    return r;
}

std::optional<LoadedStages> frmPagewright::loadStagesFor(const StageRequest& r) {
    StagesLoad load = loadStages(r);
    if (!load.loaded) m_ui->messageBox({MsgId::ReadFailed, fromUtf8(load.error)});
    return std::move(load.loaded);
}

JobResult frmPagewright::runJob(Job& job, const LoadedStages& loaded) {
    job.state = &m_state;
    job.scanned = &m_headings->analysis();
    job.scannedEncoding = m_analyzedEncoding;
    job.loaded = &loaded;
    // The run turns the event loop; the buttons stay off so it cannot be started twice.
    setBusy(true);
    // The job walks the list's own scan again: nothing new is scanned, and nobody listens.
    struct : ScanReceiver {
        void heading(const HeadingFound&) override {}
    } noScan;
    SplitReceiver quiet;
    const JobResult r = run(job, *m_ui, {noScan, quiet});
    setBusy(false);
    return r;
}

void frmPagewright::saveOutChecked() {
    if (m_busy) return;
    Job job;
    // The selection is read once: clicks in the list during the run change nothing of it.
    job.excluded = selectedRows();
    job.stages = stageRequestFor(std::nullopt);
    const std::optional<LoadedStages> loaded = loadStagesFor(job.stages);
    if (!loaded) return;
    runJob(job, *loaded);
}

void frmPagewright::saveEpub() {
    if (m_busy) return;
    if (!precheckSplit(m_state, m_headings->rowCount(), *m_ui)) return;
    if (!CheckOptions(0)) return;
    // The book is made from the analysed file: whether that is right is asked before the
    // book's dialogs are filled in, not after.
    std::vector<MsgId> confirmed;
    if (m_state.strInFile != m_state.strAnalyzedFile) {
        const Refusal notCurrent = refusal::notCurrentFile();
        if (m_ui->messageBox(notCurrent.message) != MsgAnswer::Yes) {
            m_ui->setStatus(notCurrent.status);
            return;
        }
        confirmed.push_back(MsgId::NotCurrentFile);
    }
    BookRequest request;
    request.input = m_state.strAnalyzedFile;
    request.headingPattern = m_state.strFindStr;
    request.folder = m_state.strOutDir;
    EpubSettings proposed = bookSettings(request);
    if (proposed.volumePattern.empty() && !chosenRule.pattern.empty() && chosenRule.pattern == m_state.strFindStr)
        proposed.volumePattern = chosenRule.volumePattern;
    EpubDialog dialog(this);
    dialog.txtBookTitle->setText(toQ(proposed.title));
    dialog.txtBookAuthor->setText(toQ(proposed.author));
    dialog.txtVolumePattern->setText(toQ(proposed.volumePattern));
    // What 自动 in the volume field's menu offers: the volumes chosen with the novel's structure.
    const SampleLines sample = readSampleLines(toPath(m_state.strAnalyzedFile), kPresetSampleBytes, m_analyzedEncoding);
    if (!sample.error) {
        const StructureChoice structure = chooseStructure(sample.lines, patternPresets());
        dialog.offerChosenVolumes(toQ(structure.volumePattern), toQ(structure.reason));
    }
    dialog.setTextChoices(m_textChoices);
    const std::vector<std::int64_t> suspects = suspectRows(m_headings->analysis());
    Job job;
    job.format = JobFormat::Book;
    job.excluded = selectedRows();
    job.confirmed = confirmed;
    dialog.setSuspects(std::count_if(suspects.begin(), suspects.end(),
                                     [&](std::int64_t row) { return !job.excluded.contains(row); }));
    if (!dialog.ask()) return;
    dialog.takeTextChoices(m_textChoices);

    request.title = fromQ(dialog.txtBookTitle->text());
    request.author = fromQ(dialog.txtBookAuthor->text());
    request.cover = fromQ(dialog.txtBookCover->text().trimmed());
    request.volumePattern = fromQ(dialog.txtVolumePattern->text());
    request.vertical = dialog.chkVertical->isChecked();
    job.perVolume = dialog.chkPerVolume->isChecked();
    job.excludeSuspects = dialog.chkExcludeSuspects->isChecked();
    job.stages = stageRequestFor(paragraphModeNamed(dialog.cboParagraphs->currentData().toString().toStdString()));
    // The chosen rules and conversion are loaded now: a file that cannot be read is told before
    // the save dialog, and the book's own words are converted as its text is.
    const std::optional<LoadedStages> loaded = loadStagesFor(job.stages);
    if (!loaded) return;
    EpubSettings s = settleBook(request, *loaded);
    const auto refuse = [this](const Refusal& r) {
        m_ui->messageBox(r.message);
        m_ui->setStatus(r.status);
    };
    if (job.perVolume && s.volumePattern.empty()) {
        m_ui->messageBox({MsgId::NoVolumes, u"每卷一本电子书需要卷标题条件，请填写卷标题条件。"});
        return;
    }
    if (const auto refused = checkEpubSettings(s)) return refuse(*refused); // nothing to save yet
    if (job.perVolume) {
        // The books are named by the book's title and each volume's line: only the folder is asked.
        Text folder = m_state.strOutDir;
        const QString chosen = BrowseFolder(this, folder);
        if (chosen.isEmpty()) return;
        s.path = bookPathIn(fromQ(chosen), s.title);
    } else {
        const QString chosen = PickSaveBook(this, toQ(bookPathIn(m_state.strOutDir, s.title)));
        if (chosen.isEmpty()) return;
        s.path = fromQ(chosen);
    }
    if (const auto refused = checkEpubSettings(s)) return refuse(*refused);
    job.book = s;
    const JobResult made = runJob(job, *loaded);
    // The status line's tooltip says how the paragraphs were made (the line itself keeps its size).
    if (made.end == JobEnd::Done && made.paragraphs)
        lblState->setToolTip((made.paragraphs->chosen ? QStringLiteral("段落（按排版自动选择）：")
                                                      : QStringLiteral("段落：")) +
                             toQ(made.paragraphs->describe()));
}

} // namespace pw
