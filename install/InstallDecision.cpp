#include "install/InstallDecision.h"

#include "base/VersionStrings.h"

bool ShouldInstall(const CString& ownVersion, const CString& installedVersion) {
    if (installedVersion.IsEmpty()) return true;
    // Same, older, or an own version that is no version at all leave the
    // installed copy alone.
    return CompareVersions(ownVersion, installedVersion) == kVersionNewer;
}

Copy PreferredCopy(const CopyFacts& machine, const CopyFacts& own) {
    const bool ownCopy = own.usable && !own.version.IsEmpty();
    // The own copy only when it is the newer: an administrator's update of
    // the machine's copy brings the user back to it.
    if (machine.usable && (!ownCopy || (!machine.version.IsEmpty() &&
                                        CompareVersions(own.version, machine.version) != kVersionNewer)))
        return Copy::Machine;
    return own.usable ? Copy::Own : Copy::None;
}

StartPlan PlanStart(Copy running, const CString& ownVersion, const CopyFacts& machine, const CopyFacts& own) {
    const Copy preferred = PreferredCopy(machine, own);
    if (preferred == Copy::None) return {StartAction::RunHere, preferred};
    const CopyFacts& chosen = preferred == Copy::Machine ? machine : own;
    if (running == Copy::None)
        return {ShouldInstall(ownVersion, chosen.version) ? StartAction::Install : StartAction::Offer, preferred};
    if (running == preferred) return {StartAction::Stay, preferred};
    return {chosen.version.IsEmpty() ? StartAction::RunHere : StartAction::Switch, preferred};
}
