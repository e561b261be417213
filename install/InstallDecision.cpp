#include "install/InstallDecision.h"

#include "base/VersionStrings.h"

bool ShouldInstall(const CString& ownVersion, const CString& installedVersion) {
    if (installedVersion.IsEmpty()) return true;
    // Same, older, or an own version that is no version at all leave the
    // installed copy alone.
    return CompareVersions(ownVersion, installedVersion) == kVersionNewer;
}
