// Swapping the running executable for a new file, behind a backup.
#include "update/AutoUpdater.h"

#include "base/SwapExecutable.h"
#include "platform/Kernel.h"

using namespace plat;

bool CAutoUpdater::ReplaceExecutable(CString strExePath, CString strNewFile, bool bDelayUntilReboot) {
    // Never MOVEFILE_REPLACE_EXISTING: neither move may overwrite a file.
    // Written through, so a move done as copy and delete (the download on
    // another volume) is on the disk before the old image is let go.
    const DWORD flags = bDelayUntilReboot ? MOVEFILE_DELAY_UNTIL_REBOOT
                                          : MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    return SwapInBehindBackup(strExePath, strNewFile, flags);
}
