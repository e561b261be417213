// Other processes and their windows. QueryFullProcessImageNameA is looked
// up, not imported: a system without it still starts the program (and only
// finds no copies to close).
#include "platform/Processes.h"
#include "platform/win32/SystemDll.h"

#include <windows.h>

namespace plat {

namespace {

// The callback's calling convention is the system's; ours is the
// compiler's, so this passes each window on.
struct EnumCall {
    WNDENUMPROC fn;
    LPARAM arg;
};

::BOOL CALLBACK EnumThunk(::HWND hwnd, ::LPARAM self) {
    const EnumCall* call = reinterpret_cast<const EnumCall*>(self);
    return call->fn(reinterpret_cast<HWND>(hwnd), call->arg);
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    EnumCall call{lpEnumFunc, lParam};
    return ::EnumWindows(EnumThunk, reinterpret_cast<::LPARAM>(&call));
}

DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* lpdwProcessId) {
    ::DWORD pid = 0;
    const DWORD thread = ::GetWindowThreadProcessId(reinterpret_cast<::HWND>(hWnd), &pid);
    if (lpdwProcessId) *lpdwProcessId = pid;
    return thread;
}

BOOL IsWindowVisible(HWND hWnd) { return ::IsWindowVisible(reinterpret_cast<::HWND>(hWnd)); }

HANDLE OpenProcess(DWORD dwDesiredAccess, DWORD dwProcessId) {
    return ::OpenProcess(dwDesiredAccess, FALSE, dwProcessId);
}

BOOL QueryFullProcessImageNameA(HANDLE hProcess, char* lpExeName, DWORD* lpdwSize) {
    using Fn = ::BOOL(WINAPI*)(::HANDLE, ::DWORD, ::LPSTR, ::PDWORD);
    static const auto fn = win32::SystemFunction<Fn>("kernel32.dll", "QueryFullProcessImageNameA");
    if (!fn || !lpdwSize) return FALSE;
    ::DWORD size = *lpdwSize;
    const ::BOOL ok = fn(hProcess, 0, lpExeName, &size);
    *lpdwSize = size;
    return ok;
}

}  // namespace plat
