#include "install/InstalledCopy.h"

#include "base/FileVersion.h"
#include "base/ProgramPaths.h"
#include "base/SupportLog.h"
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
    copy.why = "absent";
    if (!create && plat::GetFileAttributesA(FolderName(copy.folder)) == plat::INVALID_FILE_ATTRIBUTES) return;
    const Trust folder = PrepareInstallFolder(copy.folder, copy.heldFolder);
    copy.why = TrustName(folder);
    if (folder != Trust::Ok) return;
    copy.heldTarget = HeldObject::Open(copy.target);
    copy.executableFailed = copy.heldTarget.Exists() && !copy.heldTarget.Trusted();
    if (copy.executableFailed) {
        copy.why = TrustName(copy.heldTarget.Verdict());
        return;
    }
    copy.facts.usable = true;
    if (!copy.heldTarget.Exists()) return;
    copy.facts.version = runsFromIt ? FourNumberVersion(ownVersion) : GetInstalledVersionOf(copy.target);
}

// The start, its decision and why, in one line: "machine <folder> link" says
// the machine's folder was a link and therefore not used.
void LogStart(const CString& running, const InstalledCopy& machine, const InstalledCopy& own, StartPlan plan) {
    static const char* const kActions[] = {"run here", "install", "offer shortcuts", "stay", "switch"};
    static const char* const kCopies[] = {"no copy", "machine copy", "own copy"};
    const InstalledCopy* copies[] = {&machine, &own};
    CString folders;
    for (const InstalledCopy* copy : copies)
        folders.Format("%s; %s %s %s%s%s%s", folders.c_str(), copy == &machine ? "machine" : "own",
                       copy->folder.c_str(), copy->executableFailed ? "executable " : "", copy->why,
                       copy->facts.version.IsEmpty() ? "" : " ", copy->facts.version.c_str());
    LogEvent("start %s%s: %s, %s", running.c_str(), folders.c_str(), kActions[static_cast<int>(plan.action)],
             kCopies[static_cast<int>(plan.copy)]);
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
    const StartPlan plan = PlanStart(runs, ownVersion, machine.facts, own.facts);
    LogStart(running, machine, own, plan);
    return plan;
}
