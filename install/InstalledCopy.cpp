#include "install/InstalledCopy.h"

#include "base/FileVersion.h"
#include "base/ProgramPaths.h"
#include "install/InstallFolderTrust.h"
#include "install/PathCompare.h"
#include "platform/Kernel.h"
#include "platform/Shell.h"

CString SpecialFolder(plat::HWND hWnd, int csidl) {
    char folder[plat::MAX_PATH] = {};
    if (!plat::SHGetSpecialFolderPathA(hWnd, folder, csidl, plat::FALSE)) return CString();
    return CString(folder);
}

CString FourNumberVersion(const CString& version) {
    if (version.IsEmpty()) return version;
    CString four = version;
    int dots = 0;
    for (int i = 0; i < four.GetLength(); ++i) dots += four.GetAt(i) == '.';
    for (; dots < 3; ++dots) four += ".0";
    return four;
}

InstalledCopy::InstalledCopy(const CString& installFolder)
    : folder(installFolder), target(InstallTargetIn(installFolder)) {}

namespace {

// create: a missing folder is made (with the program's protected rights);
// otherwise a missing folder holds no copy. runsFromIt: the running file is
// its executable, whose version is the running program's.
void Look(InstalledCopy& copy, bool create, bool runsFromIt, const CString& ownVersion) {
    if (copy.folder.IsEmpty()) return;
    if (!create && plat::GetFileAttributesA(FolderName(copy.folder)) == plat::INVALID_FILE_ATTRIBUTES) return;
    if (PrepareInstallFolder(copy.folder, copy.heldFolder) != Trust::Ok) return;
    copy.heldTarget = HeldObject::Open(copy.target);
    if (copy.heldTarget.Exists() && !copy.heldTarget.Trusted()) return;
    copy.facts.usable = true;
    if (!copy.heldTarget.Exists()) return;
    copy.facts.version = runsFromIt ? FourNumberVersion(ownVersion) : GetInstalledVersionOf(copy.target);
}

Copy FolderOf(const CString& path, const InstalledCopy& machine, const InstalledCopy& own) {
    if (IsInFolder(path, machine.folder)) return Copy::Machine;
    if (IsInFolder(path, own.folder)) return Copy::Own;
    return Copy::None;
}

}  // namespace

StartPlan PlanThisStart(const CString& running, const CString& ownVersion, InstalledCopy& machine,
                        InstalledCopy& own) {
    const Copy runs = FolderOf(running, machine, own);
    Look(machine, runs != Copy::Own, SamePath(running, machine.target), ownVersion);
    Look(own, runs == Copy::None && !machine.facts.usable, SamePath(running, own.target), ownVersion);
    return PlanStart(runs, ownVersion, machine.facts, own.facts);
}
