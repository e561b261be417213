#include "update/UpdateLock.h"

#include "base/ObjectTrust.h"

#include "platform/FileSearch.h"
#include "platform/Kernel.h"
#include "platform/PrivateNamespace.h"
#include "platform/Security.h"

using namespace plat;

// In this session's own namespace, which no other user's session can reach:
// a name in the global one, predictable from the path, could be taken first
// by any local user and would stop every update for good.
CString UpdateLockName(const char* exePath) { return "Local\\" + MachineLockName(exePath); }

CString MachineLockName(const char* exePath) { return "tarnquill-update-" + ExecutableHash(exePath); }

bool IsMachineCopy(const char* exePath) {
    const CString path(exePath);
    // The folder itself, never what a link there leads to.
    const HeldObject folder = HeldObject::Open(path.Left(path.ReverseFind('\\')));
    OBJECT_SECURITY security{};
    return FileHandleTraits::IsValid(folder.Handle()) && GetSecurityInfoOfHandle(folder.Handle(), &security) &&
           (security.owner == TRUSTEE_SYSTEM || security.owner == TRUSTEE_ADMINISTRATORS);
}

bool UpdateLock::Acquire(const char* exePath, DWORD waitMs) {
    if (Held()) return true;
    if (!m_mutex && IsMachineCopy(exePath)) m_mutex.Reset(CreateAdminMutexA(MachineLockName(exePath)));
    if (!m_mutex) m_mutex.Reset(CreateMutexA(UpdateLockName(exePath)));
    if (!m_mutex) return false;
    // An abandoned mutex (a copy that ended while holding it) is ours now.
    DWORD waited = WaitForSingleObject(m_mutex.Get(), waitMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    m_owned.Reset(m_mutex.Get());
    return true;
}

void UpdateLock::Release() {
    m_owned.Close();
    m_mutex.Close();
}

namespace {

// Files of the folder that match the pattern; one still open or running
// elsewhere is not deleted, and the next update tries again.
void DeleteMatching(const CString& folder, const CString& pattern) {
    WIN32_FIND_DATAA found{};
    FindHandle search(FindFirstFileA(pattern, &found));
    if (!search) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(folder + found.cFileName);
    } while (FindNextFileA(search.Get(), &found));
}

}  // namespace

void RemoveStaleDownloads(const CString& folder, const CString& fileName, const char* exePath) {
    // Downloads of this executable that an ended process left, and backups
    // of their own that swaps had to make.
    DeleteMatching(folder, TemporaryFilesPattern(folder, fileName, exePath));
    DeleteMatching(folder, OwnBackupsPattern(folder));
}
