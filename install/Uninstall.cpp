#include "install/Uninstall.h"

#include "base/CString.h"
#include "base/Handles.h"
#include "base/ModulePath.h"
#include "base/ProgramPaths.h"
#include "base/SupportLog.h"
#include "install/InstallFolderTrust.h"
#include "install/InstalledCopy.h"
#include "install/PathCompare.h"
#include "install/RunningCopies.h"
#include "install/UninstallEntry.h"
#include "install/UninstallSettings.h"
#include "platform/FileSearch.h"
#include "platform/Kernel.h"
#include "platform/Security.h"
#include "platform/Shell.h"
#include "platform/Threads.h"
#include "platform/User.h"

using namespace plat;

namespace {

constexpr char kQuestion[] = "确定要从这台电脑上删除 Veltrano 吗？";
constexpr char kStillRunning[] = "Veltrano 仍在运行，没有删除任何内容。请关闭它，然后再试一次。";
constexpr char kNoInstallFolder[] = "找不到 Veltrano 的安装文件夹，没有删除任何内容。";
constexpr char kLeftBehind[] = "Veltrano 已删除，但以下内容无法删除：";
constexpr char kAdministratorOnly[] = "Veltrano 是为这台电脑的所有用户安装的，只有管理员才能删除它。没有删除任何内容。";

CString TemporaryFolder() {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    return length == 0 || length >= MAX_PATH ? CString() : CString(buffer);
}

bool FolderExists(const CString& folder) {
    CString path = folder;
    if (path.GetLength() > 3 && path.GetAt(path.GetLength() - 1) == '\\') path = path.Left(path.GetLength() - 1);
    WIN32_FIND_DATAA found{};
    FindHandle search(FindFirstFileA(path, &found));
    return search && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes what it is given and keeps the list of what stays.
class Removal {
public:
    void File(const CString& path) {
        if (FileExists(path) && !DeleteFileA(path)) Left(path);
    }
    // Only an empty folder goes; one holding what the user put there stays
    // (and is named, as everything that stays is).
    void Folder(const CString& path) {
        if (!RemoveDirectoryA(path) && FolderExists(path)) Left(path);
    }
    void Left(const CString& what) { m_left += "\r\n" + what; }
    bool Complete() const { return m_left.IsEmpty(); }
    const CString& LeftList() const { return m_left; }

private:
    CString m_left;
};

// Each menu's link, and each programs menu's sub-folder once its link is
// gone; all users' (the common desktop's too) only with the machine's copy
// (allUsers).
void RemoveShortcuts(Removal& removal, bool allUsers) {
    // The user's desktop, start menu and programs menu, then all users'.
    static const int kMenus[2][3] = {{CSIDL_DESKTOPDIRECTORY, CSIDL_STARTMENU, CSIDL_PROGRAMS},
                                     {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS}};
    for (int i = 0; i < (allUsers ? 2 : 1); ++i) {
        const CString desktop = SpecialFolder(nullptr, kMenus[i][0]);
        if (!desktop.IsEmpty()) removal.File(DesktopLinkIn(desktop));
        const CString menu = SpecialFolder(nullptr, kMenus[i][1]);
        if (!menu.IsEmpty()) removal.File(StartMenuLinkIn(menu));
        const CString programs = SpecialFolder(nullptr, kMenus[i][2]);
        if (programs.IsEmpty()) continue;
        removal.File(ProgramsLinkIn(programs));
        if (FolderExists(ProgramsSubFolderIn(programs))) removal.Folder(ProgramsSubFolderIn(programs));
    }
}

// Every file in folder that matches pattern.
void RemoveMatching(Removal& removal, const CString& folder, const CString& pattern) {
    WIN32_FIND_DATAA found{};
    FindHandle search(FindFirstFileA(pattern, &found));
    if (!search) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) removal.File(folder + found.cFileName);
    } while (FindNextFileA(search.Get(), &found));
}

// A running image cannot be deleted, only moved: this process's own image
// goes to the temporary folder (a rename on the same volume), where it stays
// until the temporary files are cleaned, so that the install folder can go.
bool RemoveExecutable(const CString& target, const CString& tempDir) {
    if (!FileExists(target) || DeleteFileA(target)) return true;
    if (tempDir.IsEmpty() || !SamePath(RunningModulePath(), target)) return false;
    return MoveFileExA(target, RemovedImageName(tempDir, kInstalledFileName, target, GetCurrentProcessId()), 0) !=
           FALSE;
}

// Deletes only in the folder itself, held meanwhile so that its name cannot
// be made a link: never in what a link at its name leads to, nor in a
// folder another account owns. An older version's folder, still open to
// others, is this user's to empty: each name goes itself, never through it.
bool FolderToEmpty(const HeldObject& folder) {
    return !folder.Exists() || (folder.IsFolder() && (folder.Verdict() == Trust::Ok ||
                                                      folder.Verdict() == Trust::AnotherWriter));
}

void RemoveInstallation(Removal& removal, const CString& installFolder, bool allUsers, bool forEveryone) {
    const CString target = InstallTargetIn(installFolder);
    const CString tempDir = TemporaryFolder();
    RemoveShortcuts(removal, allUsers);
    HeldObject folder = HeldObject::Open(FolderName(installFolder));
    if (!FolderToEmpty(folder)) {
        removal.Left(FolderName(installFolder));
        removal.Left(UninstallEntryName(forEveryone));
        return;
    }
    const Array<CString> files = ProgramFilesIn(installFolder);
    for (std::size_t i = 0; i < files.size(); ++i) removal.File(files[i]);
    const Array<CString> patterns = ProgramFilePatternsIn(installFolder);
    for (std::size_t i = 0; i < patterns.size(); ++i) RemoveMatching(removal, installFolder, patterns[i]);
    // What older versions downloaded into this user's temporary folder.
    if (!tempDir.IsEmpty())
        RemoveMatching(removal, tempDir, TemporaryFilesPattern(tempDir, kInstalledFileName, target));
    const bool executableGone = RemoveExecutable(target, tempDir);
    if (!executableGone) removal.Left(target);
    folder.Release();
    // The user's own copy keeps the user's log in its folder: it goes with
    // everything else, and stays to say what was left.
    if (!allUsers && removal.Complete()) DeleteSupportLog();
    if (FolderExists(installFolder)) removal.Folder(installFolder);
    // The entry is what lets the user try again: it goes with the executable.
    if (!executableGone || !RemoveUninstallEntry()) removal.Left(UninstallEntryName());
    if (forEveryone && !RemoveUninstallEntry(true)) removal.Left(UninstallEntryName(true));
}

int Tell(bool quiet, const char* text, int code) {
    LogEvent("removal: exit code %d, %s", code, text);
    if (!quiet) AfxMessageBox(text, MB_OK | MB_ICONWARNING);
    return code;
}

// Windows asks for an administrator's consent or credentials and starts
// this removal again, elevated, which then asks its own question; this one
// ends with its exit code. Refused: nothing is removed, and the user is told
// once who can.
int RemoveElevated(bool quiet) {
    DWORD code = 0;
    if (ShellExecuteRunAsA(RunningModulePath(), quiet ? "/uninstall /quiet" : "/uninstall", &code)) {
        LogEvent("removal: elevated, exit code %lu", static_cast<unsigned long>(code));
        return static_cast<int>(code);
    }
    return Tell(quiet, kAdministratorOnly, kUninstallNeedsAdministrator);
}

}  // namespace

int RunUninstall(bool quiet, UpdateGate& updates) {
    // The user's own copy removes itself (its entry names it); any other
    // start removes the machine's.
    const CString ownFolder = OwnCopyFolderIn(SpecialFolder(nullptr, CSIDL_LOCAL_APPDATA));
    const bool own = IsInFolder(RunningModulePath(), ownFolder);
    const bool forEveryone = !own && MachineEntryExists();
    if (forEveryone && !IsMachineAdministrator()) return RemoveElevated(quiet);
    if (!quiet && AfxMessageBox(kQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        LogEvent("removal: No");
        return kUninstallDeclined;
    }
    const CString installFolder = own ? ownFolder : InstallFolderIn(SpecialFolder(nullptr, CSIDL_COMMON_APPDATA));
    if (installFolder.IsEmpty()) return Tell(quiet, kNoInstallFolder, kUninstallStopped);
    // Copies first: one closed during its download gives up the lock at once.
    if (!CloseRunningCopies(installFolder, kCopiesCloseWaitMs) ||
        !updates.Close(InstallTargetIn(installFolder), kUpdateLockWaitMs))
        return Tell(quiet, kStillRunning, kUninstallStopped);

    Removal removal;
    RemoveInstallation(removal, installFolder, !own, forEveryone);
    // Nothing of the program is left: nor is its log (unless the user's own
    // copy, still installed, keeps it). The exit code says how it went.
    if (removal.Complete()) {
        DeleteSupportLog();
        return kUninstallDone;
    }
    return Tell(quiet, kLeftBehind + removal.LeftList(), kUninstallPartly);
}
