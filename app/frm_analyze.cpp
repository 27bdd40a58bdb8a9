// The heading scan behind "分析(&A)".
#include "app/frm_pagewright.h"

namespace pw {

void frmPagewright::cmdAnalyze_Click() {}

} // namespace pw
