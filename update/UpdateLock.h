// One update at a time per executable: copies of the program running from
// the same file share a named mutex derived from its full path, and each
// download gets a file of its own beside the executable (its name, like
// the mutex's, in base/ProgramPaths.h).
#pragma once
#include "base/CString.h"
#include "base/Handles.h"
#include "base/ProgramPaths.h"

// "Local\tarnquill-update-" and the executable's hash (ExecutableHash).
// Copies of one user's session update one at a time; copies in other users'
// sessions cannot take this lock away. Across sessions the swap keeps them
// apart by itself: its moves never overwrite, so while one copy has moved
// the executable away another's first move fails, and a copy that finds the
// offered version already installed does not download again.
CString UpdateLockName(const char* exePath);

// A copy in a folder owned by SYSTEM or Administrators is the machine's,
// kept current by an administrator's window or a task run as SYSTEM in
// session 0, which must take turns: its lock is "tarnquill-update-" and the
// hash in the private namespace of the Administrators (PrivateNamespace.h),
// which every session shares and no standard user can make first. Where
// this process cannot reach that namespace (not elevated, or a system
// without it) the session's lock stands in: such a process may not write
// the folder anyway, and taking its own lock keeps no one else waiting.
CString MachineLockName(const char* exePath);
bool IsMachineCopy(const char* exePath);

class UpdateLock {
public:
    // Takes the lock, waiting at most waitMs. False while another copy holds
    // it, and when no mutex can be made (never an update without the lock).
    bool Acquire(const char* exePath, plat::DWORD waitMs);
    bool Held() const { return m_owned.IsValid(); }
    void Release();

private:
    MutexHandle m_mutex;
    MutexOwnership m_owned;  // released before m_mutex closes
};

// Deletes what earlier downloads for this executable left in its folder (a
// window closed during a transfer ends the program at once). Only under the
// lock: then no other copy of this session is downloading, and a download
// of another session is held open without delete sharing.
void RemoveStaleDownloads(const CString& folder, const CString& fileName, const char* exePath);
