#include "install/QuietInstall.h"

#include "base/FileVersion.h"
#include "base/ModulePath.h"
#include "base/ProgramPaths.h"
#include "base/SupportLog.h"
#include "base/SwapExecutable.h"
#include "base/VersionStrings.h"
#include "install/InstallFolderTrust.h"
#include "install/InstalledCopy.h"
#include "install/OwnImage.h"
#include "install/PathCompare.h"
#include "install/Shortcuts.h"
#include "install/UninstallEntry.h"
#include "install/UninstallSettings.h"
#include "platform/Kernel.h"
#include "platform/Security.h"
#include "platform/Threads.h"

using namespace plat;

namespace {

// The running image written beside the copy's target and swapped in as an
// update swaps: a running installed copy is renamed aside, never written
// over, and keeps running its old code until it ends.
int Place(InstalledCopy& copy, const CString& running, UpdateGate& updates) {
    copy.heldTarget.Release();  // replaced now
    OwnImage image = OwnImage::Read(running);
    if (!image.IsComplete()) return kInstallNoImage;
    if (!updates.Close(copy.target, kUpdateLockWaitMs)) return kInstallUpdateBusy;
    const CString staged = StagedInstallTarget(copy.target, GetCurrentProcessId());
    if (WriteImage(staged, image) != WriteOutcome::Written) return kInstallWriteFailed;
    const bool placed = FileExists(copy.target) ? SwapInBehindBackup(copy.target, staged, MOVEFILE_WRITE_THROUGH)
                                                : MoveFileExA(staged, copy.target, MOVEFILE_WRITE_THROUGH) != FALSE;
    if (placed) return kInstallDone;
    DeleteFileA(staged);
    return kInstallWriteFailed;
}

// How the running version compares with an installed one: newer when
// there is none (or it has no version), so it is installed.
int AgainstInstalled(const CString& ownVersion, const CString& installed) {
    return installed.IsEmpty() ? kVersionNewer : CompareVersions(ownVersion, installed);
}

// For every user: the machine's folder only (never a copy in SYSTEM's or
// the administrator's profile), made or taken over for Administrators; all
// users' links and the marker, so nobody is asked; the machine's entry,
// and the installing account's own entry for that folder gone, so the list
// shows one line.
int InstallForEveryone(InstalledCopy& machine, const CString& running, const CString& ownVersion,
                       UpdateGate& updates) {
    const Trust folder = PrepareMachineFolder(machine.folder, machine.heldFolder);
    LogEvent("machine folder %s: %s", machine.folder.c_str(), TrustName(folder));
    if (folder != Trust::Ok) return kInstallFolderUnusable;
    const bool runsFromIt = SamePath(running, machine.target);
    const CString version = FourNumberVersion(ownVersion);
    machine.heldTarget = HeldObject::Open(machine.target);
    if (machine.heldTarget.Exists() && !machine.heldTarget.Trusted()) return kInstallFolderUnusable;
    const CString installed = !machine.heldTarget.Exists() ? CString()
                              : runsFromIt                  ? version
                                                            : GetInstalledVersionOf(machine.target);
    const int compared = AgainstInstalled(ownVersion, installed);
    if (compared == kVersionOlder) return kInstallDone;  // kept, nothing changed
    if (!runsFromIt && compared == kVersionNewer) {
        const int placed = Place(machine, running, updates);
        if (placed != kInstallDone) return placed;
    }
    WriteShortcuts(nullptr, machine.folder, LinkSet::AllUsers);
    WriteUninstallEntry(machine.folder, version, 0, true);
    RemoveUserEntryFor(machine.folder);
    return kInstallDone;
}

// This user's installation as a start makes it, the offer answered Yes.
int InstallForThisUser(InstalledCopy& machine, const CString& running, const CString& ownVersion,
                       UpdateGate& updates) {
    InstalledCopy own(OwnCopyFolderIn(SpecialFolder(nullptr, CSIDL_LOCAL_APPDATA)));
    const StartPlan plan = PlanThisStart(running, ownVersion, machine, own);
    // Nowhere to install; or the copy to use has no executable, and a copy
    // running from one of the folders never installs its image.
    if (plan.copy == Copy::None || plan.action == StartAction::RunHere) return kInstallFolderUnusable;
    InstalledCopy& chosen = plan.copy == Copy::Machine ? machine : own;
    if (AgainstInstalled(ownVersion, chosen.facts.version) == kVersionOlder) return kInstallDone;
    if (plan.action == StartAction::Install) {
        const int placed = Place(chosen, running, updates);
        if (placed != kInstallDone) return placed;
    }
    // The offer is made only while there is no marker: an administrator's
    // installation for everyone has one, and its own entry.
    OfferShortcuts(nullptr, chosen.folder, plan.copy == Copy::Machine, false);
    if (!(plan.copy == Copy::Machine && MachineEntryExists()))
        KeepUninstallEntry(chosen.folder, GetInstalledVersionOf(chosen.target));
    return kInstallDone;
}

}  // namespace

int RunQuietInstall(UpdateGate& updates) {
    const CString running = RunningModulePath();
    const CString ownVersion = GetFileVersionString(running);
    if (ownVersion.IsEmpty()) return kInstallNoImage;
    InstalledCopy machine(InstallFolderIn(SpecialFolder(nullptr, CSIDL_COMMON_APPDATA)));
    const bool everyone = IsMachineAdministrator();
    const int code = everyone ? InstallForEveryone(machine, running, ownVersion, updates)
                              : InstallForThisUser(machine, running, ownVersion, updates);
    LogEvent("/install /quiet for %s: exit code %d", everyone ? "every user" : "this user", code);
    return code;
}
