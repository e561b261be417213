// Swapping the running executable for a new file, behind a backup.
#include "update/AutoUpdater.h"

#include "base/ProgramPaths.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"

using namespace plat;

bool CAutoUpdater::ReplaceExecutable(CString strExePath, CString strNewFile, bool bDelayUntilReboot) {
    // Never MOVEFILE_REPLACE_EXISTING: neither move may overwrite a file.
    // Written through, so a move done as copy and delete (the download on
    // another volume) is on the disk before the old image is let go.
    DWORD flags = bDelayUntilReboot ? MOVEFILE_DELAY_UNTIL_REBOOT
                                    : MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    CString strBackup = BackupBeside(strExePath);
    if (!DeleteFileA(strBackup) && GetFileAttributesA(strBackup) != INVALID_FILE_ATTRIBUTES) {
        // Still running, not this user's to delete, or a folder: a backup of
        // this process's own, or no update could ever be swapped in again.
        strBackup = OwnBackupBeside(strExePath, GetCurrentProcessId());
        DeleteFileA(strBackup);
    }
    if (!MoveFileExA(strExePath, strBackup, flags)) return false;
    if (MoveFileExA(strNewFile, strExePath, flags)) return true;

    // The executable's path must never be left empty: put the old image back.
    MoveFileExA(strBackup, strExePath, flags);
    return false;
}
