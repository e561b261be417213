// Files and folders: the real kernel32 calls, values passed through unchanged.
#include "platform/Kernel.h"

#include <windows.h>

namespace plat {

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

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, DWORD dwMoveMethod) {
    return ::SetFilePointer(hFile, lDistanceToMove, nullptr, dwMoveMethod);
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

BOOL RemoveDirectoryA(const char* lpPathName) { return ::RemoveDirectoryA(lpPathName); }

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

DWORD GetFileAttributesA(const char* lpFileName) { return ::GetFileAttributesA(lpFileName); }

BOOL GetFileInformationByHandle(HANDLE hFile, FILE_FACTS* lpFileInformation) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!lpFileInformation || !::GetFileInformationByHandle(hFile, &info)) return FALSE;
    lpFileInformation->dwFileAttributes = info.dwFileAttributes;
    lpFileInformation->nNumberOfLinks = info.nNumberOfLinks;
    return TRUE;
}

BOOL GetFileAttributeTagInfo(HANDLE hFile, FILE_ATTRIBUTE_TAG_INFO* lpInfo) {
    ::FILE_ATTRIBUTE_TAG_INFO info{};
    if (!lpInfo || !::GetFileInformationByHandleEx(hFile, FileAttributeTagInfo, &info, sizeof info)) return FALSE;
    lpInfo->FileAttributes = info.FileAttributes;
    lpInfo->ReparseTag = info.ReparseTag;
    return TRUE;
}

}  // namespace plat
