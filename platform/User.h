// Window-manager calls (user32) that the portable logic makes directly. Two
// jobs, each with its real calls (platform/win32/User<Job>_win.cpp) and its
// simulation (tests/sim/User<Job>_sim.cpp): Windows, and MessageBox.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

HWND GetActiveWindow();
int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType);
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL KillTimer(HWND hWnd, std::uintptr_t uIDEvent);
std::uintptr_t SetTimer(HWND hWnd, std::uintptr_t nIDEvent, UINT uElapse);
BOOL GetClientRect(HWND hWnd, RECT* lpRect);
BOOL GetWindowRect(HWND hWnd, RECT* lpRect);
HWND GetWindow(HWND hWnd, UINT uCmd);
int GetDlgCtrlID(HWND hWnd);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
BOOL ScreenToClient(HWND hWnd, POINT* lpPoint);
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_APP = 0x8000;
// Queues the message for the window's thread; safe from any thread.
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// A visible top-level window of the calling thread other than hWnd (a
// message box, a modal dialog), or null when there is none.
HWND FindOtherVisibleThreadWindow(HWND hWnd);

}  // namespace plat

namespace plat {

// The application's message box: the caption is the application name (the
// running executable's file name without its extension). The framework owns
// that name, so the program (app/) connects these two to it.
int AfxMessageBox(const char* lpszText, UINT nType);
const char* AfxGetAppName();

}  // namespace plat
