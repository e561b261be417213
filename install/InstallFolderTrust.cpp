#include "install/InstallFolderTrust.h"

#include "base/ProgramPaths.h"
#include "install/PathCompare.h"
#include "platform/FileSearch.h"
#include "platform/Kernel.h"
#include "platform/Security.h"

namespace {

bool IsProgramName(const CString& folder, const CString& path) {
    if (SamePath(path, InstallTargetIn(folder))) return true;
    const Array<CString> files = ProgramFilesIn(folder);
    for (std::size_t i = 0; i < files.size(); ++i)
        if (SamePath(path, files[i])) return true;
    return false;
}

// Not the program's own: a link, a file with several names, what another
// account owns (or what cannot be opened to show its owner), and, once the
// folder is closed to others, what another account may change.
bool Foreign(Trust verdict, bool writersToo) {
    return verdict == Trust::Link || verdict == Trust::Owner || verdict == Trust::SeveralNames ||
           (writersToo && verdict == Trust::AnotherWriter);
}

// Removes every entry that is not the program's own, and a folder standing
// at one of the program's names. Each goes by its own name, never through
// it: a link is removed itself, a folder only when empty. False when one
// of them stays.
bool RemoveForeignEntries(const CString& folder, bool writersToo) {
    plat::WIN32_FIND_DATAA found{};
    FindHandle search(plat::FindFirstFileA(folder + "*", &found));
    if (!search) return true;
    bool clean = true;
    do {
        const CString name(found.cFileName);
        if (name == "." || name == "..") continue;
        const CString path = folder + name;
        HeldObject entry = HeldObject::Open(path);
        if (!entry.Exists()) continue;
        if (!Foreign(entry.Verdict(), writersToo) && !(entry.IsFolder() && IsProgramName(folder, path))) continue;
        entry.Release();
        if (!(entry.IsFolder() ? plat::RemoveDirectoryA(path) : plat::DeleteFileA(path))) clean = false;
    } while (plat::FindNextFileA(search.Get(), &found));
    return clean;
}

}  // namespace

CString FolderName(const CString& folder) {
    const int length = folder.GetLength();
    return length > 3 && folder.GetAt(length - 1) == '\\' ? folder.Left(length - 1) : folder;
}

Trust PrepareInstallFolder(const CString& installFolder, HeldObject& held) {
    const CString name = FolderName(installFolder);
    // Made here and now, it is ours and empty; made before, it has to show it.
    const bool made = plat::CreateProtectedDirectoryA(name) != plat::FALSE;
    held = HeldObject::Open(name);
    if (!held.Exists()) return Trust::Owner;
    if (!held.IsFolder()) return held.Verdict() == Trust::Ok ? Trust::ForeignEntry : held.Verdict();
    if (made) return held.Verdict();
    Trust verdict = held.Verdict();
    if (verdict == Trust::AnotherWriter) {
        // Open to others with a trusted owner: an older version's folder.
        // What others put there goes first, while nothing of theirs can yet
        // be given the program's rights; then only its owner (or an
        // administrator) can close it; for anyone else the change fails and
        // the folder stays as it is. A folder that passes is never given a
        // list of the program's making.
        if (!RemoveForeignEntries(installFolder, false)) return Trust::ForeignEntry;
        if (!plat::ProtectDirectoryA(name)) return verdict;
        held = HeldObject::Open(name);
        verdict = held.Verdict();
    }
    if (verdict != Trust::Ok) return verdict;
    return RemoveForeignEntries(installFolder, true) ? Trust::Ok : Trust::ForeignEntry;
}

Trust PrepareMachineFolder(const CString& installFolder, HeldObject& held) {
    const CString name = FolderName(installFolder);
    // Made now with the program's protected list, so nobody else can add
    // anything before it is the machine's.
    if (!plat::CreateProtectedDirectoryA(name)) {
        held = HeldObject::Open(name);
        if (!held.Exists()) return Trust::Owner;
        if (held.Verdict() == Trust::Link || !held.IsFolder()) {
            // Judged on the name itself, removed itself.
            const bool folder = held.IsFolder();
            held.Release();
            if (!(folder ? plat::RemoveDirectoryA(name) : plat::DeleteFileA(name)) ||
                !plat::CreateProtectedDirectoryA(name))
                return Trust::Link;
        }
    }
    // A folder that was there is held meanwhile, so its name cannot become
    // a link before it is changed.
    if (!plat::TakeOverDirectoryA(name)) return Trust::Owner;
    held = HeldObject::Open(name);
    if (!held.IsFolder() || held.Verdict() != Trust::Ok) return held.Exists() ? held.Verdict() : Trust::Owner;
    return RemoveForeignEntries(installFolder, true) ? Trust::Ok : Trust::ForeignEntry;
}
