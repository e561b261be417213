// The file finder, reduced to what the program asks of it:
// whether a file of a given name exists. Wildcards are not supported.
#pragma once
#include "platform/WinTypes.h"

class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // TRUE when a file (not a folder) of that name exists.
    plat::BOOL FindFile(const char* pstrName, plat::DWORD dwUnused = 0);
    void Close();

private:
    bool m_found = false;
};
