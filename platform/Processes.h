// Other processes and their windows (user32, kernel32): how the removal
// finds the program's running copies, asks them to close and waits for
// them to end.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

using WNDENUMPROC = BOOL (*)(HWND hwnd, LPARAM lParam);
// Every top-level window, of every process on the desktop, until the
// callback answers FALSE.
BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* lpdwProcessId);
BOOL IsWindowVisible(HWND hWnd);

constexpr DWORD SYNCHRONIZE = 0x00100000u;
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
// Not inherited. Null when no such process runs or it may not be opened.
HANDLE OpenProcess(DWORD dwDesiredAccess, DWORD dwProcessId);
// The full path of the process's image (flags 0: a Win32 path). *lpdwSize
// is the buffer's size in, the length without the terminator out.
BOOL QueryFullProcessImageNameA(HANDLE hProcess, char* lpExeName, DWORD* lpdwSize);

}  // namespace plat
