// The application's message box and name belong to the framework, which sits
// above the Windows seam; the program connects the two here, so the portable
// logic reaches them without depending on the framework.
#include "platform/User.h"

#include "afx/Afx.h"

namespace plat {

int AfxMessageBox(const char* lpszText, UINT nType) { return ::AfxMessageBox(lpszText, nType, 0); }
const char* AfxGetAppName() { return ::AfxGetAppName(); }

}  // namespace plat
