// The split writer behind "输出(&O)".
#include <QItemSelectionModel>
#include <algorithm>
#include <vector>

#include "app/frm_pagewright.h"
#include "split/split_pass.h"

namespace pw {

void frmPagewright::cmdSaveOut_Click() {
    if (m_busy) return;
    if (!precheckSplit(m_state, m_headings->rowCount(), *m_ui)) return;
    if (!CheckOptions(0)) return;
    saveOutChecked();
}

void frmPagewright::saveOutChecked() {
    if (m_busy) return;
    // The selection is read once: clicks in the list during the pass change nothing of it.
    std::vector<std::int64_t> excluded;
    for (const QItemSelectionRange& r : lstMemo->selectionModel()->selection()) {
        for (int row = r.top(); row <= r.bottom(); ++row)
            excluded.push_back(row);
    }
    std::sort(excluded.begin(), excluded.end());
    // The pass turns the event loop; the buttons stay off so it cannot be started twice.
    setBusy(true);
    runSplit(m_state, excluded, *m_ui);
    setBusy(false);
}

} // namespace pw
