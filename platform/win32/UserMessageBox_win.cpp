// Message boxes and the window they belong to: the real user32 calls. The
// application's own box (AfxMessageBox) is the framework's, linked by app/.
#include "platform/User.h"

#include <windows.h>

namespace plat {

HWND GetActiveWindow() { return reinterpret_cast<HWND>(::GetActiveWindow()); }

int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) {
    return ::MessageBoxA(reinterpret_cast<::HWND>(hWnd), lpText, lpCaption, uType);
}

}  // namespace plat
