// The output run behind "输出(&O)".
#include <QItemSelectionModel>
#include <chrono>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/epub_dialog.h"
#include "app/frm_pagewright.h"
#include "app/pickers.h"
#include "options/intake.h"
#include "platform/paths.h"
#include "scan/presets.h"
#include "output/run_stages.h"
#include "scan/heading_analysis.h"
#include "formats/epub/epub_book.h"
#include "formats/epub/epub_text.h"
#include "output/split_run.h"
#include "formats/text/text_files.h"

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

void frmPagewright::saveOutChecked() {
    if (m_busy) return;
    // The selection is read once: clicks in the list during the run change nothing of it.
    const RowRanges excluded = selectedRows();
    StageList stages;
    std::shared_ptr<const ChineseConverter> converter;
    if (!textStagesFor(false, stages, converter)) return;
    // The run turns the event loop; the buttons stay off so it cannot be started twice.
    setBusy(true);
    SplitReceiver none;
    runSplit(m_state, analysedInput(m_state, m_analyzedEncoding), excluded, TextFiles(m_state), *m_ui, none,
             LineReader::kDefaultCapacity, stages);
    setBusy(false);
}

void frmPagewright::saveEpub() {
    if (m_busy) return;
    if (!precheckSplit(m_state, m_headings->rowCount(), *m_ui)) return;
    if (!CheckOptions(0)) return;
    BookRequest request;
    request.input = m_state.strAnalyzedFile;
    request.headingPattern = m_state.strFindStr;
    request.folder = m_state.strOutDir;
    const EpubSettings proposed = bookSettings(request);
    EpubDialog dialog(this);
    dialog.txtBookTitle->setText(toQ(proposed.title));
    dialog.txtBookAuthor->setText(toQ(proposed.author));
    dialog.txtVolumePattern->setText(toQ(proposed.volumePattern));
    dialog.setTextChoices(m_textChoices);
    const std::vector<std::int64_t> suspects = suspectRows(m_headings->analysis());
    RowRanges excluded = selectedRows();
    dialog.setSuspects(std::count_if(suspects.begin(), suspects.end(),
                                     [&](std::int64_t row) { return !excluded.contains(row); }));
    if (!dialog.ask()) return;
    dialog.takeTextChoices(m_textChoices);

    request.title = fromQ(dialog.txtBookTitle->text());
    request.author = fromQ(dialog.txtBookAuthor->text());
    request.cover = fromQ(dialog.txtBookCover->text().trimmed());
    request.volumePattern = fromQ(dialog.txtVolumePattern->text());
    request.vertical = dialog.chkVertical->isChecked();
    EpubSettings s = bookSettings(request);
    // The chosen rules and conversion are loaded now: a file that cannot be read is told before
    // the save dialog, and the book's own words are converted as its text is.
    StageList checked;
    std::shared_ptr<const ChineseConverter> converter;
    if (!textStagesFor(true, checked, converter)) return;
    // It speaks the language of the conversion's target.
    if (converter) {
        s.title = fromUtf8(converter->convert(toUtf8(s.title)));
        s.author = fromUtf8(converter->convert(toUtf8(s.author)));
        s.language = fromUtf8(conversionLanguage(converter->name()));
    }
    if (const auto refused = checkEpubSettings(s)) { // before the save dialog: nothing to save yet
        m_ui->messageBox(refused->message);
        m_ui->setStatus(refused->status);
        return;
    }
    const QString chosen = PickSaveBook(this, toQ(bookPathIn(m_state.strOutDir, s.title)));
    if (chosen.isEmpty()) return;
    s.path = fromQ(chosen);
    if (const auto refused = checkEpubSettings(s)) {
        m_ui->messageBox(refused->message);
        m_ui->setStatus(refused->status);
        return;
    }
    if (dialog.chkExcludeSuspects->isChecked()) excluded |= RowRanges::ofRows(suspects);
    const auto mode = paragraphModeNamed(dialog.cboParagraphs->currentData().toString().toStdString());
    setBusy(true);
    RunStages stages =
        stagesFor({true, mode, m_state.blnDeleteSpc, toPath(m_state.strInFile), m_analyzedEncoding, s.volumePattern});
    if (!textStagesFor(true, stages.stages, converter)) {
        setBusy(false);
        return;
    }
    SplitReceiver none;
    const SplitResult made = runSplit(m_state, analysedInput(m_state, m_analyzedEncoding), excluded, EpubBook(s), *m_ui,
                                      none, LineReader::kDefaultCapacity, stages.stages);
    // The status line's tooltip says how the paragraphs were made (the line itself keeps its size).
    if (made.end == SplitEnd::Done && stages.layout)
        lblState->setToolTip((stages.chosen ? QStringLiteral("段落（按排版自动选择）：") : QStringLiteral("段落：")) +
                             toQ(stages.layout->describe()));
    setBusy(false);
}

} // namespace pw
