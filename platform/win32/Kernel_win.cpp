// Kernel services: the real kernel32 calls, values passed through unchanged.
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

HANDLE CreateFileA(const char* lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes) {
    return ::CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, nullptr, dwCreationDisposition,
                         dwFlagsAndAttributes, nullptr);
}

DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) {
    return ::GetFileSize(hFile, reinterpret_cast<::DWORD*>(lpFileSizeHigh));
}

BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead) {
    return ::ReadFile(hFile, lpBuffer, nNumberOfBytesToRead, reinterpret_cast<::DWORD*>(lpNumberOfBytesRead),
                      nullptr);
}

BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten) {
    return ::WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite,
                       reinterpret_cast<::DWORD*>(lpNumberOfBytesWritten), nullptr);
}

BOOL FlushFileBuffers(HANDLE hFile) { return ::FlushFileBuffers(hFile); }

BOOL CloseHandle(HANDLE hObject) { return ::CloseHandle(hObject); }

BOOL CreateDirectoryA(const char* lpPathName) { return ::CreateDirectoryA(lpPathName, nullptr); }

BOOL DeleteFileA(const char* lpFileName) { return ::DeleteFileA(lpFileName); }

BOOL MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName, DWORD dwFlags) {
    return ::MoveFileExA(lpExistingFileName, lpNewFileName, dwFlags);
}

BOOL CopyFileA(const char* lpExistingFileName, const char* lpNewFileName, BOOL bFailIfExists) {
    return ::CopyFileA(lpExistingFileName, lpNewFileName, bFailIfExists);
}

BOOL FileExists(const char* lpFileName) {
    const ::DWORD attributes = ::GetFileAttributesA(lpFileName);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr, int cbMultiByte,
                        WCHAR* lpWideCharStr, int cchWideChar) {
    return ::MultiByteToWideChar(CodePage, dwFlags, lpMultiByteStr, cbMultiByte,
                                 reinterpret_cast<wchar_t*>(lpWideCharStr), cchWideChar);
}

}  // namespace plat
