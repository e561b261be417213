#include "afx/WinApp.h"
#include "afx/Wnd.h"

#include "base/Array.h"

#include <shellapi.h>

#include <new>

int CWnd::MessageBoxA(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (m_hWnd) ::DragAcceptFiles(m_hWnd, bAccept);
}

CWnd* CWnd::GetDlgItem(int nID) const { return m_hWnd ? FromHandle(::GetDlgItem(m_hWnd, nID)) : nullptr; }
CWnd* CWnd::GetWindow(UINT nCmd) const { return m_hWnd ? FromHandle(::GetWindow(m_hWnd, nCmd)) : nullptr; }
CWnd* CWnd::GetParent() const { return m_hWnd ? FromHandle(::GetParent(m_hWnd)) : nullptr; }

void CWnd::ScreenToClient(RECT* lpRect) const {
    if (!lpRect) return;
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&lpRect->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&lpRect->right));
}
void CWnd::ScreenToClient(POINT* lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
void CWnd::ClientToScreen(RECT* lpRect) const {
    if (!lpRect) return;
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&lpRect->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&lpRect->right));
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}
void CWnd::MoveWindow(const RECT* lpRect, BOOL bRepaint) {
    if (lpRect)
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}
void CWnd::GetClientRect(RECT* lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
void CWnd::GetWindowRect(RECT* lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return m_hWnd ? CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)) : nullptr;
}

LRESULT CWnd::SendMessageA(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessageA(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}
UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
void CWnd::SetWindowTextA(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
void CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    SendMessageA(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    if (!m_hWnd) return;
    HWND owner = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    RECT work{};
    HMONITOR mon = MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (mon && GetMonitorInfoA(mon, &mi)) work = mi.rcWork;
    else SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT area = work;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int w = rc.right - rc.left;
    int h = rc.bottom - rc.top;
    int x = (area.left + area.right - w) / 2;
    int y = (area.top + area.bottom - h) / 2;
    // Keep the window inside the work area (the caption first).
    if (x + w > work.right) x = work.right - w;
    if (x < work.left) x = work.left;
    if (y + h > work.bottom) y = work.bottom - h;
    if (y < work.top) y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
void CWnd::OnDropFiles(HDROP) { Default(); }
void CWnd::OnCancelMode() { Default(); }
void CWnd::OnTimer(UINT) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }

// ----- CPaintDC -----

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    if (m_hWnd) m_hDC = BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    if (m_hWnd && m_hDC) EndPaint(m_hWnd, &m_ps);
}

// ----- CMenu -----

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (!hMenu) return nullptr;
    // Wrappers live as long as the program; it asks for its system menu only.
    static Array<CMenu*> menus;
    for (CMenu* m : menus)
        if (m->m_hMenu == hMenu) return m;
    CMenu* wrapper = new (std::nothrow) CMenu;
    if (!wrapper) return nullptr;
    wrapper->m_hMenu = hMenu;
    if (!menus.push_back(wrapper)) {
        delete wrapper;
        return nullptr;
    }
    return wrapper;
}

BOOL CMenu::AppendMenuA(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
    return m_hMenu ? ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem) : FALSE;
}

UINT CMenu::GetMenuItemCount() const {
    int n = m_hMenu ? ::GetMenuItemCount(m_hMenu) : -1;
    return n < 0 ? 0 : static_cast<UINT>(n);
}
