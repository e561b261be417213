#include "install/SelfInstall.h"

#include "install/InstallDecision.h"
#include "install/InstalledCopy.h"
#include "install/InstallFolderTrust.h"
#include "install/OwnImage.h"
#include "install/OwnPath.h"
#include "install/PathCompare.h"
#include "install/Shortcuts.h"
#include "install/UninstallEntry.h"
#include "platform/Kernel.h"
#include "platform/Shell.h"
#include "platform/Threads.h"
#include "platform/User.h"
#include "base/FileVersion.h"
#include "base/ModulePath.h"
#include "base/ProgramPaths.h"
#include "base/StartProgram.h"
#include "base/SupportLog.h"

namespace {

// The installed copy runs in its own folder: the restart after an update
// starts the program's name in the current directory, which must then be the
// installed (updated) copy, not the old download it was installed from.
bool StartInstalledCopy(const CString& installFolder, const CString& installTarget) {
    return StartProgram(installTarget, installFolder);
}

// Writes the image beside the install target and moves it over the target
// whole, starts the installed copy and closes the window. A write that fails
// half-way leaves the installed copy as it was, and this program running.
void Install(plat::HWND hWnd, const CString& installFolder, const CString& installTarget,
             OwnImage image) {
    if (!image.IsComplete()) return;
    const CString staged = StagedInstallTarget(installTarget, plat::GetCurrentProcessId());
    const WriteOutcome outcome = WriteImage(staged, image);
    const plat::DWORD imageBytes = image.Size();
    image = OwnImage();
    if (outcome == WriteOutcome::Incomplete) return;  // WriteImage removed the partial file
    const bool placed = outcome == WriteOutcome::Written &&
                        plat::MoveFileExA(staged, installTarget,
                                          plat::MOVEFILE_REPLACE_EXISTING | plat::MOVEFILE_WRITE_THROUGH);
    if (outcome == WriteOutcome::Written && !placed) plat::DeleteFileA(staged);
    // Not placed: a running installed copy holds the target; start that one.
    // Nothing placed and nothing to start: closing would leave the user with
    // no program at all, so this copy goes on running. Judged again and held
    // while it starts and its version is read.
    const HeldObject target = HeldObject::Open(installTarget);
    const bool started = target.Trusted() && StartInstalledCopy(installFolder, installTarget);
    LogEvent("install %s: written %d, started %d", installTarget.c_str(), placed, started);
    if (!started && !placed) return;
    // Once the installed copy runs, so its start page never waits for it. Not
    // placed: the running installed copy keeps the entry itself.
    if (placed) WriteUninstallEntry(installFolder, GetInstalledVersionOf(installTarget), imageBytes);
    plat::SendMessageA(hWnd, plat::WM_CLOSE, 0, 0);
}

void ReleaseHolds(InstalledCopy& copy) {
    copy.heldTarget.Release();
    copy.heldFolder.Release();
}

}  // namespace

void RunSelfInstallStep(plat::HWND hWnd, const CString& ownVersion,
                        char (&exeDir)[256], char (&exeName)[256]) {
    SplitOwnPath(plat::GetCommandLineA(), exeDir, exeName);
    const CString running = RunningModulePath();
    InstalledCopy machine(InstallFolderIn(SpecialFolder(hWnd, plat::CSIDL_COMMON_APPDATA)));
    InstalledCopy own(OwnCopyFolderIn(SpecialFolder(hWnd, plat::CSIDL_LOCAL_APPDATA)));
    const StartPlan plan = PlanThisStart(running, ownVersion, machine, own);
    InstalledCopy& chosen = plan.copy == Copy::Machine ? machine : own;
    switch (plan.action) {
    case StartAction::RunHere:
        return;
    case StartAction::Install:
        chosen.heldTarget.Release();  // the installation replaces it
        // Read only now: most starts install nothing. The image comes from
        // the module's own path: an unquoted command line names no file once
        // its first character is dropped, and a parent may name any file
        // there, which must never be installed as this program.
        Install(hWnd, chosen.folder, chosen.target, OwnImage::Read(running));
        return;
    case StartAction::Switch:
        if (StartInstalledCopy(chosen.folder, chosen.target)) plat::SendMessageA(hWnd, plat::WM_CLOSE, 0, 0);
        return;
    case StartAction::Stay:
        // After the start page's request, like the offer: the entry of an
        // installation made before it existed, of the version now updated,
        // or of the copy this user now uses.
        // An installation an administrator made for every user is listed
        // once, under the machine.
        if (SamePath(running, chosen.target) && !(plan.copy == Copy::Machine && MachineEntryExists()))
            KeepUninstallEntry(chosen.folder, FourNumberVersion(ownVersion));
        // The user's links that still lead into a machine's folder they
        // may no longer trust.
        if (plan.copy == Copy::Own && !machine.facts.usable) LeadLinksToOwnCopy(own.target, machine.folder);
        break;
    case StartAction::Offer:
        break;
    }
    // The question may stay open for as long as the user likes, so nothing
    // is held while it is: another copy's update can still swap the
    // executable. What the links are to lead to is judged again after a Yes.
    const CString folder = chosen.folder;
    const LinkSet links = plan.copy == Copy::Machine ? LinkSet::UserAndAllUsers : LinkSet::User;
    ReleaseHolds(machine);
    ReleaseHolds(own);
    if (!AskForShortcuts(folder)) return;
    HeldObject heldFolder;
    if (PrepareInstallFolder(folder, heldFolder) != Trust::Ok) return;
    const HeldObject target = HeldObject::Open(InstallTargetIn(folder));
    // All users' links only to the machine's copy: the own copy is this user's.
    if (target.Trusted()) WriteShortcuts(hWnd, folder, links);
}
