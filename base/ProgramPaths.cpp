#include "base/ProgramPaths.h"

#include <cstdint>

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// FNV-1a over the folded path: a trail byte of a double-byte character is
// hashed as it is, never folded as if it were a letter.
std::uint64_t PathHash(const char* path) {
    std::uint64_t hash = kFnvOffset;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        bool lead = IsLeadByte936(*p) && p[1] != 0;
        hash = (hash ^ (lead ? *p : FoldAscii(*p))) * kFnvPrime;
        if (lead) hash = (hash ^ *++p) * kFnvPrime;
    }
    return hash;
}

}  // namespace

CString InstallFolderIn(const char* commonAppData) {
    if (!commonAppData || commonAppData[0] == '\0') return CString();
    return CString(commonAppData) + "\\Veltrano\\";
}

CString OwnCopyFolderIn(const char* localAppData) { return InstallFolderIn(localAppData); }

CString InstallTargetIn(const CString& installFolder) { return installFolder + kInstalledFileName; }

CString StagedInstallTarget(const CString& installTarget, plat::DWORD processId) {
    CString name;
    name.Format("%s.%lu.new", installTarget.c_str(), static_cast<unsigned long>(processId));
    return name;
}

CString ShortcutMarkerIn(const char* installFolder) { return CString(installFolder) + " Veltrano4.lnk"; }

CString DesktopLinkIn(const CString& desktopFolder) { return desktopFolder + "\\ Veltrano.lnk"; }

CString DesktopLinkTarget(const CString& installTarget) {
    CString target = installTarget;
    target.Delete(target.GetLength() - 4, 4);
    return target;
}

CString StartMenuLinkIn(const CString& startMenuFolder) { return startMenuFolder + "\\ Veltrano.lnk"; }

CString ProgramsSubFolderIn(const CString& programsFolder) { return programsFolder + "\\ Veltrano\\"; }

CString ProgramsLinkIn(const CString& programsFolder) { return programsFolder + "\\ Veltrano\\ Veltrano.lnk"; }

CString BackupBeside(const CString& exePath) {
    return exePath.Left(exePath.ReverseFind('\\')) + "\\OldExecutable.bak";
}

CString UndoneUpdateRecordBeside(const CString& exePath) { return exePath + ".undone"; }

CString FailedUpdateBeside(const CString& exePath) { return exePath + ".failed"; }

CString OwnFailedUpdateBeside(const CString& exePath, plat::DWORD processId) {
    CString name;
    name.Format("%s.%lu.failed", exePath.c_str(), static_cast<unsigned long>(processId));
    return name;
}

CString OwnBackupBeside(const CString& exePath, plat::DWORD processId) {
    CString name;
    name.Format("%s\\OldExecutable.%lu.bak", exePath.Left(exePath.ReverseFind('\\')).c_str(),
                static_cast<unsigned long>(processId));
    return name;
}

CString OwnBackupsPattern(const CString& folder) { return folder + "OldExecutable.*.bak"; }

CString ExecutableHash(const char* exePath) {
    std::uint64_t hash = PathHash(exePath);
    CString text;
    text.Format("%08X%08X", static_cast<unsigned>(hash >> 32), static_cast<unsigned>(hash));
    return text;
}

namespace {

// "<folder><fileName>.<hash>.<pid>.<extension>": one file of one process for
// one executable, matched by TemporaryFilesPattern.
CString ProcessFileName(const CString& folder, const CString& fileName, const char* exePath,
                        plat::DWORD processId, const char* extension) {
    CString name;
    name.Format("%s%s.%s.%lu.%s", folder.c_str(), fileName.c_str(), ExecutableHash(exePath).c_str(),
                static_cast<unsigned long>(processId), extension);
    return name;
}

}  // namespace

CString DownloadFileName(const CString& folder, const CString& fileName, const char* exePath,
                         plat::DWORD processId) {
    return ProcessFileName(folder, fileName, exePath, processId, "part");
}

CString TemporaryFilesPattern(const CString& folder, const CString& fileName, const char* exePath) {
    return folder + fileName + "." + ExecutableHash(exePath) + ".*";
}

Array<CString> ProgramFilesIn(const CString& installFolder) {
    const CString target = InstallTargetIn(installFolder);
    Array<CString> files;
    files.push_back(ShortcutMarkerIn(installFolder));
    files.push_back(BackupBeside(target));
    files.push_back(target + ".new");  // the staged image of older versions
    files.push_back(UndoneUpdateRecordBeside(target));
    files.push_back(FailedUpdateBeside(target));
    return files;
}

Array<CString> ProgramFilePatternsIn(const CString& installFolder) {
    const CString target = InstallTargetIn(installFolder);
    Array<CString> patterns;
    patterns.push_back(target + ".*.new");
    patterns.push_back(target + ".*.failed");
    patterns.push_back(OwnBackupsPattern(installFolder));
    patterns.push_back(TemporaryFilesPattern(installFolder, kInstalledFileName, target));
    return patterns;
}

CString RemovedImageName(const CString& tempDir, const CString& fileName, const char* exePath,
                         plat::DWORD processId) {
    return ProcessFileName(tempDir, fileName, exePath, processId, "removed");
}
