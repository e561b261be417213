// Kernel services (kernel32) as the portable logic uses them. Two jobs, each
// with its real calls (platform/win32/Kernel<Job>_win.cpp) and its simulation
// (tests/sim/Kernel<Job>_sim.cpp): Files, and Process (the process's own
// paths, the programs it starts, code-page conversion).
#pragma once
#include "platform/WinTypes.h"

namespace plat {

struct STARTUPINFOA {
    DWORD cb;  // 68 in the real structure; the rest stays zero
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

const char* GetCommandLineA();
HMODULE GetModuleHandleA(const char* lpModuleName);
DWORD GetModuleFileNameA(HMODULE hModule, char* lpFilename, DWORD nSize);
DWORD GetTempPathA(DWORD nBufferLength, char* lpBuffer);
DWORD GetCurrentDirectoryA(DWORD nBufferLength, char* lpBuffer);

// Security attributes and template are always null in this program.
HANDLE CreateFileA(const char* lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes);
DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh);
BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead);
// The new position from the file's start, or INVALID_SET_FILE_POINTER. No
// high part: the program reads back only files it bounds far below 4 GiB.
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, DWORD dwMoveMethod);
BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten);
// Writes the file's cached data to the disk; a file about to be moved into
// place must be flushed first, or a power cut can leave it zero-filled.
BOOL FlushFileBuffers(HANDLE hFile);
BOOL CloseHandle(HANDLE hObject);
BOOL CreateDirectoryA(const char* lpPathName);
BOOL DeleteFileA(const char* lpFileName);
// An empty folder only.
BOOL RemoveDirectoryA(const char* lpPathName);
BOOL MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName, DWORD dwFlags);
BOOL CopyFileA(const char* lpExistingFileName, const char* lpNewFileName, BOOL bFailIfExists);
// True when a file (not a folder) of that name exists.
BOOL FileExists(const char* lpFileName);
// The attributes of the name itself (a link there is not followed), or
// INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD GetFileAttributesA(const char* lpFileName);

// What the program reads of BY_HANDLE_FILE_INFORMATION.
struct FILE_FACTS {
    DWORD dwFileAttributes;
    DWORD nNumberOfLinks;  // the file's names (hard links)
};
BOOL GetFileInformationByHandle(HANDLE hFile, FILE_FACTS* lpFileInformation);
// GetFileInformationByHandleEx's FileAttributeTagInfo: the attributes and,
// for a reparse point, its tag.
struct FILE_ATTRIBUTE_TAG_INFO {
    DWORD FileAttributes;
    DWORD ReparseTag;
};
BOOL GetFileAttributeTagInfo(HANDLE hFile, FILE_ATTRIBUTE_TAG_INFO* lpInfo);

// No command line, no security attributes, handles not inherited, the
// caller's environment; the caller's current directory unless one is given.
BOOL CreateProcessA(const char* lpApplicationName, DWORD dwCreationFlags,
                    const STARTUPINFOA& startupInfo, PROCESS_INFORMATION* lpProcessInformation,
                    const char* lpCurrentDirectory = nullptr);

// Ends a process this one started; a handle from CreateProcessA.
BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode);
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr, int cbMultiByte,
                        WCHAR* lpWideCharStr, int cchWideChar);

}  // namespace plat
