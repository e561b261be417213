#include "install/InstallDecision.h"

#include "update/AutoUpdater.h"

bool ShouldInstall(CAutoUpdater& updater, const CString& ownVersion, const CString& installedVersion) {
    if (installedVersion.IsEmpty()) return true;
    // Same, older, or an own version that is no version at all leave the
    // installed copy alone.
    return updater.CompareVersions(ownVersion, installedVersion) == kVersionNewer;
}
