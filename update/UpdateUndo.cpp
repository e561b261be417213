// The undo of an update that never started, and its record.
#include "update/UpdateUndo.h"
#include "update/UpdateTexts.h"

#include "base/FileVersion.h"
#include "base/Handles.h"
#include "base/ProgramPaths.h"
#include "base/StartProgram.h"
#include "base/VersionStrings.h"

#include "platform/Kernel.h"
#include "platform/Threads.h"
#include "platform/User.h"

using namespace plat;

namespace {

const char kUndoneText[] = "更新后的程序无法启动，已恢复到之前的版本。";

// The same care as the swap: renames on one volume, written through, and
// never MOVEFILE_REPLACE_EXISTING, so at every moment a whole image stands
// at the executable's path, or (between the two moves) in the backup.
constexpr DWORD kMoveFlags = MOVEFILE_WRITE_THROUGH;

// A version string fits in far less; a longer record is not one of ours.
constexpr DWORD kRecordMax = 64;

// A record cut short by a power cut reads as no version and is ignored.
void WriteRecord(const CString& path, const CString& version) {
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.Get(), version.c_str(), static_cast<DWORD>(version.GetLength()), &written);
    FlushFileBuffers(file.Get());
}

CString ReadRecord(const CString& path) {
    if (!FileExists(path)) return CString();  // the usual case: nothing opened
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!file) return CString();
    char text[kRecordMax + 1] = {};
    DWORD read = 0;
    if (!ReadFile(file.Get(), text, kRecordMax, &read)) return CString();
    return CString(text);
}

// The backup this process's swap made: one of its own name when the usual
// one could not be replaced.
CString BackupOfThisSwap(const CString& exePath) {
    CString own = OwnBackupBeside(exePath, GetCurrentProcessId());
    return FileExists(own) ? own : BackupBeside(exePath);
}

bool PutBackupBack(const CString& exePath, const CString& aside) {
    CString backup = BackupOfThisSwap(exePath);
    if (!FileExists(backup)) return false;
    DeleteFileA(aside);  // left by an earlier undo
    if (!MoveFileExA(exePath, aside, kMoveFlags)) return false;
    if (MoveFileExA(backup, exePath, kMoveFlags)) return true;
    // The executable's path is never left empty.
    MoveFileExA(aside, exePath, kMoveFlags);
    return false;
}

}  // namespace

bool UndoUpdate(const CString& exePath) {
    CString aside = FailedUpdateBeside(exePath);
    if (!PutBackupBack(exePath, aside)) return false;
    WriteRecord(UndoneUpdateRecordBeside(exePath), GetFileVersionString(aside));
    // Still in use when the update's process could not be ended; the next
    // undo deletes it then.
    DeleteFileA(aside);
    StartProgram(exePath);
    MessageBoxA(nullptr, kUndoneText, kUpdateFailedCaption, MB_OK | MB_ICONWARNING);
    return true;
}

bool IsUndoneRelease(const char* exePath, const CString& manifest) {
    CString undone = ReadRecord(UndoneUpdateRecordBeside(exePath));
    if (undone.IsEmpty()) return false;
    int order = CompareVersions(manifest, undone);
    return order != kVersionNewer && order != kSecondVersionMalformed;
}
