#include "base/CFileFind.h"

#include "platform/Kernel.h"

plat::BOOL CFileFind::FindFile(const char* pstrName, plat::DWORD /*dwUnused*/) {
    Close();
    m_found = pstrName && plat::FileExists(pstrName);
    return m_found ? plat::TRUE : plat::FALSE;
}

void CFileFind::Close() { m_found = false; }
