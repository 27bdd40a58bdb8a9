// The output run behind "输出(&O)".
#include <QItemSelectionModel>
#include <vector>

#include "app/frm_pagewright.h"
#include "split/split_run.h"
#include "split/text_files.h"

namespace pw {

void frmPagewright::cmdSaveOut_Click() {
    if (m_busy) return;
    if (!precheckSplit(m_state, m_headings->rowCount(), *m_ui)) return;
    if (!CheckOptions(0)) return;
    saveOutChecked();
}

void frmPagewright::saveOutChecked() {
    if (m_busy) return;
    // The selection is read once: clicks in the list during the run change nothing of it.
    std::vector<RowRanges::Range> selected;
    for (const QItemSelectionRange& r : lstMemo->selectionModel()->selection())
        selected.emplace_back(r.top(), r.bottom());
    // The run turns the event loop; the buttons stay off so it cannot be started twice.
    setBusy(true);
    SplitReceiver none;
    runSplit(m_state, analysedInput(m_state, m_analyzedEncoding), RowRanges::of(std::move(selected)),
             TextFiles(m_state), *m_ui, none);
    setBusy(false);
}

} // namespace pw
