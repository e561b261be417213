#include "tests/win32/framework/ProbeDialog.h"

namespace tq_test {

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

}  // namespace tq_test
