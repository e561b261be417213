// The window manager: the real user32 calls.
#include "platform/User.h"

#include <windows.h>

namespace {

::HWND Sdk(plat::HWND h) { return reinterpret_cast<::HWND>(h); }
plat::HWND Plat(::HWND h) { return reinterpret_cast<plat::HWND>(h); }

void CopyRect(const ::RECT& from, plat::RECT* to) {
    to->left = from.left;
    to->top = from.top;
    to->right = from.right;
    to->bottom = from.bottom;
}

}  // namespace

namespace plat {

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Sdk(hWnd), Msg, wParam, lParam);
}

BOOL KillTimer(HWND hWnd, std::uintptr_t uIDEvent) { return ::KillTimer(Sdk(hWnd), uIDEvent); }

std::uintptr_t SetTimer(HWND hWnd, std::uintptr_t nIDEvent, UINT uElapse) {
    return ::SetTimer(Sdk(hWnd), nIDEvent, uElapse, nullptr);
}

BOOL GetClientRect(HWND hWnd, RECT* lpRect) {
    ::RECT r{};
    const ::BOOL ok = ::GetClientRect(Sdk(hWnd), &r);
    if (ok) CopyRect(r, lpRect);
    return ok;
}

BOOL GetWindowRect(HWND hWnd, RECT* lpRect) {
    ::RECT r{};
    const ::BOOL ok = ::GetWindowRect(Sdk(hWnd), &r);
    if (ok) CopyRect(r, lpRect);
    return ok;
}

HWND GetWindow(HWND hWnd, UINT uCmd) { return Plat(::GetWindow(Sdk(hWnd), uCmd)); }

int GetDlgCtrlID(HWND hWnd) { return ::GetDlgCtrlID(Sdk(hWnd)); }

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) { return Plat(::GetDlgItem(Sdk(hDlg), nIDDlgItem)); }

BOOL ScreenToClient(HWND hWnd, POINT* lpPoint) {
    ::POINT p{lpPoint->x, lpPoint->y};
    const ::BOOL ok = ::ScreenToClient(Sdk(hWnd), &p);
    lpPoint->x = p.x;
    lpPoint->y = p.y;
    return ok;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return ::MoveWindow(Sdk(hWnd), X, Y, nWidth, nHeight, bRepaint);
}

}  // namespace plat

namespace {

struct OtherWindowSearch {
    ::HWND except;
    ::HWND found;
};

::BOOL CALLBACK NoteOtherVisibleWindow(::HWND hWnd, ::LPARAM lParam) {
    auto* search = reinterpret_cast<OtherWindowSearch*>(lParam);
    if (hWnd == search->except || !::IsWindowVisible(hWnd)) return TRUE;
    search->found = hWnd;
    return FALSE;
}

}  // namespace

namespace plat {

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(Sdk(hWnd), Msg, wParam, lParam);
}

HWND FindOtherVisibleThreadWindow(HWND hWnd) {
    OtherWindowSearch search{Sdk(hWnd), nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), NoteOtherVisibleWindow,
                        reinterpret_cast<::LPARAM>(&search));
    return Plat(search.found);
}

}  // namespace plat
