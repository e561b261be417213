// The process's own data, the programs it starts and code-page conversion:
// the real kernel32 calls, values passed through unchanged.
#include "platform/Kernel.h"

#include <windows.h>

// The logic describes the 32-bit structure (cb 68). The 64-bit test build's
// structure is larger, and the system takes cb as the size it was handed.
constexpr bool kImage32 = sizeof(void*) == 4;
static_assert(!kImage32 || sizeof(::STARTUPINFOA) == 68, "the program hands the system a 68-byte STARTUPINFOA");
static_assert(sizeof(plat::WCHAR) == sizeof(wchar_t), "wide characters are UTF-16 units");

namespace plat {

const char* GetCommandLineA() { return ::GetCommandLineA(); }

HMODULE GetModuleHandleA(const char* lpModuleName) { return ::GetModuleHandleA(lpModuleName); }

DWORD GetModuleFileNameA(HMODULE hModule, char* lpFilename, DWORD nSize) {
    return ::GetModuleFileNameA(static_cast<::HMODULE>(hModule), lpFilename, nSize);
}

DWORD GetTempPathA(DWORD nBufferLength, char* lpBuffer) { return ::GetTempPathA(nBufferLength, lpBuffer); }

DWORD GetCurrentDirectoryA(DWORD nBufferLength, char* lpBuffer) {
    return ::GetCurrentDirectoryA(nBufferLength, lpBuffer);
}

BOOL CreateProcessA(const char* lpApplicationName, DWORD dwCreationFlags,
                    const STARTUPINFOA& startupInfo, PROCESS_INFORMATION* lpProcessInformation,
                    const char* lpCurrentDirectory) {
    ::STARTUPINFOA si{};
    si.cb = kImage32 ? startupInfo.cb : static_cast<::DWORD>(sizeof(si));
    ::PROCESS_INFORMATION pi{};
    const ::BOOL ok = ::CreateProcessA(lpApplicationName, nullptr, nullptr, nullptr, FALSE, dwCreationFlags,
                                       nullptr, lpCurrentDirectory, &si, &pi);
    if (lpProcessInformation) {
        lpProcessInformation->hProcess = pi.hProcess;
        lpProcessInformation->hThread = pi.hThread;
        lpProcessInformation->dwProcessId = pi.dwProcessId;
        lpProcessInformation->dwThreadId = pi.dwThreadId;
    }
    return ok;
}

BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) { return ::TerminateProcess(hProcess, uExitCode); }

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr, int cbMultiByte,
                        WCHAR* lpWideCharStr, int cchWideChar) {
    return ::MultiByteToWideChar(CodePage, dwFlags, lpMultiByteStr, cbMultiByte,
                                 reinterpret_cast<wchar_t*>(lpWideCharStr), cchWideChar);
}

}  // namespace plat
