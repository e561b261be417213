#include "base/SwapExecutable.h"

#include "base/ProgramPaths.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"

using namespace plat;

bool SwapBehind(const CString& exePath, const CString& newFile, CString& aside, const CString& ownAside,
                DWORD flags) {
    if (!DeleteFileA(aside) && GetFileAttributesA(aside) != INVALID_FILE_ATTRIBUTES) {
        // Still running, not this user's to delete, or a folder: a name of
        // this process's own, or no executable could ever be swapped in again.
        aside = ownAside;
        DeleteFileA(aside);
    }
    if (!MoveFileExA(exePath, aside, flags)) return false;
    if (MoveFileExA(newFile, exePath, flags)) return true;

    // The executable's path must never be left empty: put the old image back.
    MoveFileExA(aside, exePath, flags);
    return false;
}

bool SwapInBehindBackup(const CString& exePath, const CString& newFile, DWORD flags) {
    CString backup = BackupBeside(exePath);
    return SwapBehind(exePath, newFile, backup, OwnBackupBeside(exePath, GetCurrentProcessId()), flags);
}
