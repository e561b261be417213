#include "base/SwapExecutable.h"

#include "base/ProgramPaths.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"

using namespace plat;

bool SwapInBehindBackup(const CString& exePath, const CString& newFile, DWORD flags) {
    CString backup = BackupBeside(exePath);
    if (!DeleteFileA(backup) && GetFileAttributesA(backup) != INVALID_FILE_ATTRIBUTES) {
        // Still running, not this user's to delete, or a folder: a backup of
        // this process's own, or no executable could ever be swapped in again.
        backup = OwnBackupBeside(exePath, GetCurrentProcessId());
        DeleteFileA(backup);
    }
    if (!MoveFileExA(exePath, backup, flags)) return false;
    if (MoveFileExA(newFile, exePath, flags)) return true;

    // The executable's path must never be left empty: put the old image back.
    MoveFileExA(backup, exePath, flags);
    return false;
}
