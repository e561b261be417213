#include "install/InstallDecision.h"

#include "update/AutoUpdater.h"

bool ShouldInstall(CAutoUpdater& updater, const CString& ownVersion, const CString& installedVersion) {
    if (installedVersion.IsEmpty()) return true;
    // Same (0), older (-1) or an own version that is no version (-21) all
    // leave the installed copy alone.
    return updater.CompareVersions(ownVersion, installedVersion) == 1;
}
