// The split writer behind "输出(&O)".
#include "app/frm_pagewright.h"

namespace pw {

void frmPagewright::cmdSaveOut_Click() {}

} // namespace pw
