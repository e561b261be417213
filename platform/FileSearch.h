// Listing a folder's files by a wildcard pattern (kernel32), reduced to the
// names.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    char cFileName[MAX_PATH];
};

// INVALID_HANDLE_VALUE when nothing matches.
HANDLE FindFirstFileA(const char* lpFileName, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

}  // namespace plat
