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

// "<tempDir><fileName>.<hash>.<pid>.<extension>": one per executable and process.
CString TemporaryFileName(const CString& tempDir, const CString& fileName, const char* exePath,
                          plat::DWORD processId, const char* extension) {
    CString name;
    name.Format("%s%s.%s.%lu.%s", tempDir.c_str(), fileName.c_str(), ExecutableHash(exePath).c_str(),
                static_cast<unsigned long>(processId), extension);
    return name;
}

}  // namespace

CString InstallFolderIn(const char* commonAppData) {
    if (!commonAppData || commonAppData[0] == '\0') return CString();
    return CString(commonAppData) + "\\Veltrano\\";
}

CString InstallTargetIn(const CString& installFolder) { return installFolder + "tarnquill.exe"; }

CString StagedInstallTarget(const CString& installTarget) { return installTarget + ".new"; }

CString ShortcutMarkerIn(const char* installFolder) { return CString(installFolder) + " Veltrano4.lnk"; }

CString DesktopLinkIn(const CString& desktopFolder) { return desktopFolder + "\\ Veltrano.lnk"; }

CString DesktopLinkTarget(const CString& modulePath) {
    CString target = modulePath;
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

CString ExecutableHash(const char* exePath) {
    std::uint64_t hash = PathHash(exePath);
    CString text;
    text.Format("%08X%08X", static_cast<unsigned>(hash >> 32), static_cast<unsigned>(hash));
    return text;
}

CString DownloadFileName(const CString& tempDir, const CString& fileName, const char* exePath,
                         plat::DWORD processId) {
    return TemporaryFileName(tempDir, fileName, exePath, processId, "part");
}

CString VersionCopyName(const CString& tempDir, const CString& fileName, const char* exePath,
                        plat::DWORD processId) {
    return TemporaryFileName(tempDir, fileName, exePath, processId, "ver");
}

CString TemporaryFilesPattern(const CString& tempDir, const CString& fileName, const char* exePath) {
    return tempDir + fileName + "." + ExecutableHash(exePath) + ".*";
}

Array<CString> ProgramFilesIn(const CString& installFolder) {
    const CString target = InstallTargetIn(installFolder);
    Array<CString> files;
    files.push_back(ShortcutMarkerIn(installFolder));
    files.push_back(BackupBeside(target));
    files.push_back(StagedInstallTarget(target));
    files.push_back(UndoneUpdateRecordBeside(target));
    files.push_back(FailedUpdateBeside(target));
    return files;
}

CString RemovedImageName(const CString& tempDir, const CString& fileName, const char* exePath,
                         plat::DWORD processId) {
    return TemporaryFileName(tempDir, fileName, exePath, processId, "removed");
}
