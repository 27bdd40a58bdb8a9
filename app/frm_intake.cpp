// Option intake, field feedback, the pickers, the About box and file drops.
#include <QDragEnterEvent>
#include <QDropEvent>

#include "app/frm_pagewright.h"

namespace pw {

bool frmPagewright::CheckOptions(std::int32_t) { return false; }

void frmPagewright::txtFile_Change() {}
void frmPagewright::txtOut_Change() {}
void frmPagewright::txtFileOut_Change() {}
void frmPagewright::txtFindStr_Change() {}
void frmPagewright::txtNum_Change() {}
void frmPagewright::lstMemo_Click() {}
void frmPagewright::cmdOpenIn_Click() {}
void frmPagewright::cmdOpenOut_Click() {}
void frmPagewright::cmdAbout_Click() {}
void frmPagewright::dragEnterEvent(QDragEnterEvent* e) { e->ignore(); }
void frmPagewright::dropEvent(QDropEvent* e) { e->ignore(); }

} // namespace pw
