#include "install/SelfInstall.h"

#include "install/InstallDecision.h"
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

namespace {

// Empty when the shell does not name the common application data folder.
CString InstallFolder(plat::HWND hWnd) {
    char appData[plat::MAX_PATH] = {};
    if (!plat::SHGetSpecialFolderPathA(hWnd, appData, plat::CSIDL_COMMON_APPDATA, plat::FALSE)) return CString();
    return InstallFolderIn(appData);
}

// The installed copy itself is running. Writing itself over itself achieves
// nothing, and without version data it would restart itself without end.
bool RunsFromInstallTarget(const CString& installTarget) {
    return SamePath(RunningModulePath(), installTarget);
}

// The short form of the running program's version ("5.0") as the entry
// shows every version: four numbers, as read from the installed file.
CString FourNumberVersion(const CString& version) {
    if (version.IsEmpty()) return version;
    CString four = version;
    int dots = 0;
    for (int i = 0; i < four.GetLength(); ++i) dots += four.GetAt(i) == '.';
    for (; dots < 3; ++dots) four += ".0";
    return four;
}

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
    if (!started && !placed) return;
    // Once the installed copy runs, so its start page never waits for it. Not
    // placed: the running installed copy keeps the entry itself.
    if (placed) WriteUninstallEntry(installFolder, GetInstalledVersionOf(installTarget), imageBytes);
    plat::SendMessageA(hWnd, plat::WM_CLOSE, 0, 0);
}

}  // namespace

void RunSelfInstallStep(plat::HWND hWnd, const CString& ownVersion,
                        char (&exeDir)[256], char (&exeName)[256]) {
    SplitOwnPath(plat::GetCommandLineA(), exeDir, exeName);
    const CString installFolder = InstallFolder(hWnd);
    if (installFolder.IsEmpty()) return;  // no install folder: run from here, offer nothing
    const CString installTarget = InstallTargetIn(installFolder);
    // A folder or executable that is not the program's own (another local
    // user made it first, or made it a link) is never started, written or
    // linked to: this copy runs where it is, as when an installation fails,
    // and says nothing. Both stay held while their paths are used.
    HeldObject folder;
    if (PrepareInstallFolder(installFolder, folder) != Trust::Ok) return;
    HeldObject target = HeldObject::Open(installTarget);
    if (target.Exists() && !target.Trusted()) return;
    // The installed copy's version is read only when another copy runs: the
    // installed one never installs itself over itself.
    const bool installed = RunsFromInstallTarget(installTarget);
    if (!installed && ShouldInstall(ownVersion, target.Exists() ? GetInstalledVersionOf(installTarget) : CString())) {
        target.Release();  // the installation replaces it
        // Read only now: most starts install nothing. The image comes from
        // the module's own path: an unquoted command line names no file once
        // its first character is dropped, and a parent may name any file
        // there, which must never be installed as this program.
        Install(hWnd, installFolder, installTarget, OwnImage::Read(RunningModulePath()));
        return;
    }
    // After the start page's request, like the offer: the entry of an
    // installation made before it existed, or of the version now updated.
    if (installed) KeepUninstallEntry(installFolder, FourNumberVersion(ownVersion));
    OfferShortcuts(hWnd, installFolder);
}
