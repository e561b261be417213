// Folder listing: the real kernel32 calls, the names copied out.
#include "platform/FileSearch.h"

#include <windows.h>

#include <cstring>

namespace {

void CopyOut(const ::WIN32_FIND_DATAA& from, plat::WIN32_FIND_DATAA* to) {
    to->dwFileAttributes = from.dwFileAttributes;
    static_assert(sizeof to->cFileName == sizeof from.cFileName, "names of MAX_PATH bytes");
    std::memcpy(to->cFileName, from.cFileName, sizeof to->cFileName);
}

}  // namespace

namespace plat {

HANDLE FindFirstFileA(const char* lpFileName, WIN32_FIND_DATAA* lpFindFileData) {
    ::WIN32_FIND_DATAA data{};
    ::HANDLE h = ::FindFirstFileA(lpFileName, &data);
    if (h != INVALID_HANDLE_VALUE) CopyOut(data, lpFindFileData);
    return h;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData) {
    ::WIN32_FIND_DATAA data{};
    if (!::FindNextFileA(hFindFile, &data)) return FALSE;
    CopyOut(data, lpFindFileData);
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) { return ::FindClose(hFindFile); }

}  // namespace plat
