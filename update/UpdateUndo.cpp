// The undo of an update that never started, and its record.
#include "update/UpdateUndo.h"
#include "update/UpdateTexts.h"

#include "base/FileVersion.h"
#include "base/Handles.h"
#include "base/ObjectTrust.h"
#include "base/ProgramPaths.h"
#include "base/StartProgram.h"
#include "base/SwapExecutable.h"
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
// Made new, so a link at its name is never written through (and, when it
// cannot be removed, no record is written: that only costs a second undo).
void WriteRecord(const CString& path, const CString& version) {
    DeleteFileA(path);
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.Get(), version.c_str(), static_cast<DWORD>(version.GetLength()), &written);
    FlushFileBuffers(file.Get());
}

// Only a record that is the program's own counts: another user's (or a
// link, or another name of some file) could stop every offer for good. It
// is read through the handle it was judged by.
CString ReadRecord(const CString& path) {
    if (!FileExists(path)) return CString();  // the usual case: nothing opened
    const HeldObject record = HeldObject::Open(path);
    if (!record.Trusted() || record.IsFolder()) return CString();
    char text[kRecordMax + 1] = {};
    DWORD read = 0;
    if (!ReadFile(record.Handle(), text, kRecordMax, &read)) return CString();
    return CString(text);
}

// The backup this process's swap made: one of its own name when the usual
// one could not be replaced.
CString BackupOfThisSwap(const CString& exePath) {
    CString own = OwnBackupBeside(exePath, GetCurrentProcessId());
    return FileExists(own) ? own : BackupBeside(exePath);
}

bool PutBackupBack(const CString& exePath, CString& aside) {
    CString backup = BackupOfThisSwap(exePath);
    if (!FileExists(backup)) return false;
    // What an earlier undo left there is replaced; what cannot be deleted
    // there (a folder another user made) gives way to a name of this
    // process's own.
    return SwapBehind(exePath, backup, aside, OwnFailedUpdateBeside(exePath, GetCurrentProcessId()), kMoveFlags);
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
