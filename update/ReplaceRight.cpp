#include "update/ReplaceRight.h"

#include "base/CString.h"
#include "base/Handles.h"
#include "platform/Kernel.h"
#include "platform/Security.h"

using namespace plat;

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool MayOpen(const char* path, DWORD access, DWORD flags) {
    return FileHandle(CreateFileA(path, access, kShareAll, OPEN_EXISTING, flags)).IsValid();
}

}  // namespace

ReplaceRight MayReplaceExecutable(const char* exePath) {
    const CString path(exePath);
    const int slash = path.ReverseFind('\\');
    if (slash < 0) return ReplaceRight::FolderClosed;
    // "C:\" keeps its backslash: "C:" alone is the drive's current folder.
    const CString folder = path.Left(slash > 2 ? slash : slash + 1);
    if (!MayOpen(folder, FILE_ADD_FILE, FILE_FLAG_BACKUP_SEMANTICS)) return ReplaceRight::FolderClosed;
    // Moving it aside needs delete on the file, or on its folder's children:
    // the system's check weighs both.
    if (!MayOpen(exePath, DELETE, FILE_ATTRIBUTE_NORMAL)) return ReplaceRight::ExecutableClosed;
    return ReplaceRight::Granted;
}
