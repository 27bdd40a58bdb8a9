// The output run behind "输出(&O)".
#include <QItemSelectionModel>
#include <chrono>
#include <filesystem>
#include <vector>

#include "app/epub_dialog.h"
#include "app/frm_pagewright.h"
#include "app/pickers.h"
#include "options/intake.h"
#include "platform/paths.h"
#include "scan/presets.h"
#include "split/epub_book.h"
#include "split/epub_text.h"
#include "split/split_run.h"
#include "split/text_files.h"

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
    // The run turns the event loop; the buttons stay off so it cannot be started twice.
    setBusy(true);
    SplitReceiver none;
    runSplit(m_state, analysedInput(m_state, m_analyzedEncoding), excluded, TextFiles(m_state), *m_ui, none);
    setBusy(false);
}

void frmPagewright::saveEpub() {
    if (m_busy) return;
    if (!precheckSplit(m_state, m_headings->rowCount(), *m_ui)) return;
    if (!CheckOptions(0)) return;
    const std::filesystem::path input = toPath(m_state.strAnalyzedFile);
    const BookName named = bookNameFromFile(fromPath(input.stem()));
    EpubDialog dialog(this);
    dialog.txtBookTitle->setText(toQ(named.title));
    dialog.txtBookAuthor->setText(toQ(named.author));
    // The 卷/部 preset finds volumes as headings: the book then shows them above the chapters.
    if (const PatternPreset* volume = findPreset("volume"); volume && m_state.strFindStr == volume->pattern)
        dialog.txtVolumePattern->setText(toQ(defaultVolumePattern()));
    if (!dialog.ask()) return;

    EpubSettings s;
    s.title = trimSpaces(fromQ(dialog.txtBookTitle->text()));
    s.author = trimSpaces(fromQ(dialog.txtBookAuthor->text()));
    s.cover = fromQ(dialog.txtBookCover->text().trimmed());
    s.volumePattern = fromQ(dialog.txtVolumePattern->text());
    s.vertical = dialog.chkVertical->isChecked();
    if (const auto refused = checkEpubSettings(s)) { // before the save dialog: nothing to save yet
        m_ui->messageBox(refused->message);
        m_ui->setStatus(refused->status);
        return;
    }
    Text name = s.title;
    for (char16_t& c : name)
        if (isForbiddenNameChar(c)) c = u'_';
    const QString chosen = PickSaveBook(this, toQ(fromPath(toPath(m_state.strOutDir) / toPath(name + u".epub"))));
    if (chosen.isEmpty()) return;
    s.path = fromQ(chosen);
    if (const auto refused = checkEpubSettings(s)) {
        m_ui->messageBox(refused->message);
        m_ui->setStatus(refused->status);
        return;
    }
    std::error_code ec;
    const auto modified = std::filesystem::last_write_time(input, ec);
    if (!ec)
        s.modified = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::file_clock::to_sys(modified).time_since_epoch())
                         .count();
    const RowRanges excluded = selectedRows();
    setBusy(true);
    SplitReceiver none;
    runSplit(m_state, analysedInput(m_state, m_analyzedEncoding), excluded, EpubBook(s), *m_ui, none);
    setBusy(false);
}

} // namespace pw
