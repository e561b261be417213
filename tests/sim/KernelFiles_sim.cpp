// The kernel's file and folder calls over the in-memory volumes, with the
// Windows rules for sharing, running images, moves and copies.
#include "platform/Kernel.h"
#include "platform/Security.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace detail {
namespace {

constexpr plat::DWORD kTruncateExisting = 5;

// Appending is writing, for rights and sharing alike.
plat::DWORD Writes(plat::DWORD access) {
    return (access & plat::FILE_APPEND_DATA) ? access | plat::GENERIC_WRITE : access;
}

std::vector<PendingMove>& Pending() {
    static std::vector<PendingMove> moves;
    return moves;
}

// Whether a new opening with this access and sharing can coexist with every
// open handle of the file (and with a running image).
bool SharingAllows(const Node* node, plat::DWORD access, plat::DWORD share) {
    const bool wantsRead = access & plat::GENERIC_READ;
    const bool wantsWrite = access & plat::GENERIC_WRITE;
    // A running image may be renamed, so opened to be moved, never written.
    const bool wantsDelete = access & plat::DELETE;
    if (wantsWrite && node->runningImage) return false;
    for (const HandleEntry* e : HandlesOn(node)) {
        if (wantsRead && !(e->share & plat::FILE_SHARE_READ)) return false;
        if (wantsWrite && !(e->share & plat::FILE_SHARE_WRITE)) return false;
        if (wantsDelete && !(e->share & plat::FILE_SHARE_DELETE)) return false;
        if ((e->access & plat::GENERIC_READ) && !(share & plat::FILE_SHARE_READ)) return false;
        if ((e->access & plat::GENERIC_WRITE) && !(share & plat::FILE_SHARE_WRITE)) return false;
        if ((e->access & plat::DELETE) && !(share & plat::FILE_SHARE_DELETE)) return false;
    }
    return true;
}

Node* AddChild(Node* folder, const std::string& name, bool isFolder) {
    auto node = std::make_unique<Node>();
    node->name = name;
    node->folder = isFolder;
    node->parent = folder;
    InheritAccess(node.get());
    Node* raw = node.get();
    folder->children[Key(name)] = std::move(node);
    return raw;
}

bool IsAncestorOrSelf(const Node* a, const Node* b) {
    for (const Node* n = b; n; n = n->parent)
        if (n == a) return true;
    return false;
}

bool ContainsRunningImage(const Node* node) {
    if (node->runningImage) return true;
    for (const auto& [key, child] : node->children)
        if (ContainsRunningImage(child.get())) return true;
    return false;
}

// The current user's rights for an opening: read and write on an existing
// file, adding to the folder for a new one.
bool MayOpen(const Node* folder, const Node* node, plat::DWORD access) {
    if (!node) return Allowed(folder, sim::kWrite);
    if ((access & plat::GENERIC_READ) && !Allowed(node, sim::kReadExecute)) return false;
    // Its owner may always read an object's rights.
    if ((access & plat::READ_CONTROL) && node->owner != sim::CurrentUser() && !Allowed(node, sim::kReadExecute))
        return false;
    // Deleting or moving it is also granted by its folder.
    if ((access & plat::DELETE) && !MayDelete(node)) return false;
    // On a folder: making a file in it.
    if ((access & plat::FILE_ADD_FILE) && !Allowed(node, sim::kWrite)) return false;
    return !(access & plat::GENERIC_WRITE) || Allowed(node, sim::kWrite);
}

// Removes what is at the target of a replacing move; false when Windows
// would refuse.
bool ClearTarget(Node* target) {
    if (target->folder || target->runningImage || HasOpenHandles(target) || !MayDelete(target)) return false;
    target->parent->children.erase(Key(target->name));
    return true;
}

}  // namespace

void ResetPendingMoves() { Pending().clear(); }

}  // namespace detail

std::vector<PendingMove> PendingMoves() { return detail::Pending(); }

}  // namespace sim

namespace plat {

using namespace sim::detail;

HANDLE CreateFileA(const char* lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes) {
    sim::detail::KernelLock lock;
    const bool write = Writes(dwDesiredAccess) & GENERIC_WRITE;
    if (sim::TakeFault(write ? sim::Op::CreateFileWrite : sim::Op::CreateFileRead))
        return INVALID_HANDLE_VALUE;
    if (!lpFileName) return INVALID_HANDLE_VALUE;
    ParsedPath p = ParsePath(lpFileName);
    if (!p.ok || p.parts.empty()) return INVALID_HANDLE_VALUE;
    Node* folder = LookupParent(p);
    if (!folder) return INVALID_HANDLE_VALUE;
    auto it = folder->children.find(Key(p.parts.back()));
    Node* node = it == folder->children.end() ? nullptr : it->second.get();
    const DWORD how = dwCreationDisposition;
    // A link at the name is opened itself only when asked; otherwise the
    // opening reaches what it leads to (and fails when that is gone).
    if (node && !(dwFlagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT) && how != CREATE_NEW) {
        node = Resolve(node);
        if (!node) return INVALID_HANDLE_VALUE;
        folder = node->parent;
    }
    // A folder opens only as an existing object, for its own attributes and
    // rights, with the flag that allows it.
    if (node && node->folder &&
        (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || how != OPEN_EXISTING || (dwDesiredAccess & GENERIC_WRITE)))
        return INVALID_HANDLE_VALUE;

    if (!node && (how == OPEN_EXISTING || how == kTruncateExisting)) return INVALID_HANDLE_VALUE;
    if (node && how == CREATE_NEW) return INVALID_HANDLE_VALUE;
    if (how < CREATE_NEW || how > kTruncateExisting) return INVALID_HANDLE_VALUE;
    const bool truncates = how == CREATE_ALWAYS || how == kTruncateExisting;
    if (!MayOpen(folder, node, Writes(dwDesiredAccess) | (truncates ? GENERIC_WRITE : 0))) return INVALID_HANDLE_VALUE;
    if (node && !SharingAllows(node, Writes(dwDesiredAccess) | (truncates ? GENERIC_WRITE : 0), dwShareMode))
        return INVALID_HANDLE_VALUE;
    if (!node) node = AddChild(folder, p.parts.back(), false);
    if ((dwDesiredAccess & WRITE_DAC) && !Allowed(node, sim::kChangeRights)) return INVALID_HANDLE_VALUE;
    if (truncates) {
        node->data.clear();
        Reallocated(node);
        SyncNames(node);
    }

    HandleEntry e;
    e.kind = HandleKind::File;
    e.node = node;
    e.access = Writes(dwDesiredAccess);
    e.append = (dwDesiredAccess & (FILE_APPEND_DATA | GENERIC_WRITE)) == FILE_APPEND_DATA;
    e.share = dwShareMode;
    return NewHandle(e);
}

DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::GetFileSize)) return INVALID_FILE_SIZE;
    HandleEntry* e = FindHandle(hFile, "GetFileSize");
    if (!e || e->kind != HandleKind::File) return INVALID_FILE_SIZE;
    if (lpFileSizeHigh) *lpFileSizeHigh = 0;
    return static_cast<DWORD>(e->node->data.size());
}

BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead) {
    sim::detail::KernelLock lock;
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    sim::Fault fault;
    const bool faulted = sim::TakeFault(sim::Op::ReadFile, &fault);
    HandleEntry* e = FindHandle(hFile, "ReadFile");
    if (!e || e->kind != HandleKind::File || !(e->access & GENERIC_READ)) return FALSE;
    if (faulted && fault.kind == sim::Fault::Fail) return FALSE;
    const std::string& data = e->node->data;
    std::size_t n = std::min<std::size_t>(nNumberOfBytesToRead, data.size() - std::min(e->position, data.size()));
    if (faulted) n = std::min<std::size_t>(n, fault.bytes);
    if (n) std::memcpy(lpBuffer, data.data() + e->position, n);
    e->position += n;
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(n);
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, DWORD dwMoveMethod) {
    sim::detail::KernelLock lock;
    HandleEntry* e = FindHandle(hFile, "SetFilePointer");
    if (!e || e->kind != HandleKind::File) return INVALID_SET_FILE_POINTER;
    // Only from the start; a position past the end is allowed, as on Windows.
    if (dwMoveMethod != FILE_BEGIN || lDistanceToMove < 0) return INVALID_SET_FILE_POINTER;
    e->position = static_cast<std::size_t>(lDistanceToMove);
    return static_cast<DWORD>(lDistanceToMove);
}

BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten) {
    sim::detail::KernelLock lock;
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    sim::Fault fault;
    const bool faulted = sim::TakeFault(sim::Op::WriteFile, &fault);
    HandleEntry* e = FindHandle(hFile, "WriteFile");
    if (!e || e->kind != HandleKind::File || !(e->access & GENERIC_WRITE)) return FALSE;
    if (faulted && fault.kind == sim::Fault::Fail) return FALSE;
    std::size_t n = nNumberOfBytesToWrite;
    if (faulted) n = std::min<std::size_t>(n, fault.bytes);  // the disk is full
    BeforeWrite(e->node);
    std::string& data = e->node->data;
    if (e->append) e->position = data.size();
    if (data.size() < e->position + n) data.resize(e->position + n);
    if (n) std::memcpy(&data[e->position], lpBuffer, n);
    SyncNames(e->node);
    e->position += n;
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(n);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::FlushFileBuffers)) return FALSE;
    HandleEntry* e = FindHandle(hFile, "FlushFileBuffers");
    if (!e || e->kind != HandleKind::File || !(e->access & GENERIC_WRITE)) return FALSE;
    Flushed(e->node);
    SyncNames(e->node);
    return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
    sim::detail::KernelLock lock;
    const bool faulted = sim::TakeFault(sim::Op::CloseHandle);
    if (!FindHandle(hObject, "CloseHandle")) return FALSE;
    // A failing close still gives the handle up, as a failed flush does.
    ReleaseHandle(hObject);
    return faulted ? FALSE : TRUE;
}

BOOL CreateDirectoryA(const char* lpPathName) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::CreateDirectory)) return FALSE;
    if (!lpPathName) return FALSE;
    ParsedPath p = ParsePath(lpPathName);
    if (!p.ok || p.parts.empty()) return FALSE;  // a root always exists
    Node* folder = LookupParent(p);
    if (!folder || folder->children.count(Key(p.parts.back())) || !Allowed(folder, sim::kWrite)) return FALSE;
    AddChild(folder, p.parts.back(), true);
    return TRUE;
}

BOOL DeleteFileA(const char* lpFileName) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::DeleteFile)) return FALSE;
    if (!lpFileName) return FALSE;
    Node* node = Lookup(lpFileName);
    if (!node || node->folder || node->runningImage || HasOpenHandles(node) || !MayDelete(node)) return FALSE;
    node->parent->children.erase(Key(node->name));
    return TRUE;
}

BOOL RemoveDirectoryA(const char* lpPathName) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::RemoveDirectory)) return FALSE;
    if (!lpPathName) return FALSE;
    Node* node = Lookup(lpPathName);
    // A drive's root has no parent and is never removed; a link to a folder
    // goes itself, never what it leads to.
    if (!node || !node->folder || !node->parent || !node->children.empty() || HasOpenHandles(node) ||
        !MayDelete(node))
        return FALSE;
    node->parent->children.erase(Key(node->name));
    return TRUE;
}

BOOL MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName, DWORD dwFlags) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::MoveFileEx)) return FALSE;
    if (!lpExistingFileName) return FALSE;
    ParsedPath from = ParsePath(lpExistingFileName);
    Node* source = Lookup(from);
    if (!source || !source->parent) return FALSE;

    if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        if (dwFlags & MOVEFILE_COPY_ALLOWED) return FALSE;  // Windows refuses the pair
        ParsedPath to;
        if (lpNewFileName) {
            to = ParsePath(lpNewFileName);
            if (!to.ok) return FALSE;
        }
        Pending().push_back({Join(from), lpNewFileName ? Join(to) : std::string(), dwFlags});
        return TRUE;
    }
    if (!lpNewFileName) return FALSE;
    ParsedPath to = ParsePath(lpNewFileName);
    if (!to.ok || to.parts.empty()) return FALSE;
    Node* folder = LookupParent(to);
    if (!folder) return FALSE;
    // Renaming needs every open handle to allow it, and none of ours do.
    if (HasOpenHandles(source)) return FALSE;
    if (IsAncestorOrSelf(source, folder)) return FALSE;  // a folder into itself
    if (!MayDelete(source) || !Allowed(folder, sim::kWrite)) return FALSE;
    auto existing = folder->children.find(Key(to.parts.back()));
    Node* target = existing == folder->children.end() ? nullptr : existing->second.get();
    if (target && target != source) {
        if (!(dwFlags & MOVEFILE_REPLACE_EXISTING) || !ClearTarget(target)) return FALSE;
    }

    const bool acrossVolumes = DriveOf(folder) != DriveOf(source);
    if (acrossVolumes) {
        // Copy and delete: folders and running images cannot go that way.
        if (!(dwFlags & MOVEFILE_COPY_ALLOWED) || source->folder || ContainsRunningImage(source))
            return FALSE;
    }
    auto owned = std::move(source->parent->children[Key(source->name)]);
    source->parent->children.erase(Key(source->name));
    owned->name = to.parts.back();
    owned->parent = folder;
    // A copy to another volume is new data: on the disk only when written through.
    if (acrossVolumes && (dwFlags & MOVEFILE_WRITE_THROUGH)) Flushed(owned.get());
    if (acrossVolumes && !(dwFlags & MOVEFILE_WRITE_THROUGH)) Reallocated(owned.get());
    folder->children[Key(owned->name)] = std::move(owned);
    return TRUE;
}

BOOL CopyFileA(const char* lpExistingFileName, const char* lpNewFileName, BOOL bFailIfExists) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::CopyFile)) return FALSE;
    if (!lpExistingFileName || !lpNewFileName) return FALSE;
    Node* source = Resolve(Lookup(lpExistingFileName));
    // Read as CreateFileA with GENERIC_READ would: a running image can be copied.
    if (!source || source->folder || !SharingAllows(source, GENERIC_READ, FILE_SHARE_READ) ||
        !Allowed(source, sim::kReadExecute))
        return FALSE;
    ParsedPath to = ParsePath(lpNewFileName);
    Node* folder = LookupParent(to);
    if (!folder) return FALSE;
    auto existing = folder->children.find(Key(to.parts.back()));
    Node* target = existing == folder->children.end() ? nullptr : existing->second.get();
    // An existing target is overwritten unless asked not to, when it could be
    // opened for writing; never the source itself.
    if (target && (bFailIfExists || target == source || target->folder ||
                   !SharingAllows(target, GENERIC_WRITE, 0) || !Allowed(target, sim::kWrite)))
        return FALSE;
    if (!target && !Allowed(folder, sim::kWrite)) return FALSE;
    if (!target) target = AddChild(folder, to.parts.back(), false);
    target->data = source->data;
    Reallocated(target);  // new data, on the disk only once the cache is written
    return TRUE;
}

DWORD GetFileAttributesA(const char* lpFileName) {
    sim::detail::KernelLock lock;
    const Node* node = lpFileName ? Lookup(lpFileName) : nullptr;
    if (!node) return INVALID_FILE_ATTRIBUTES;
    constexpr DWORD kArchive = 0x20;
    return (node->folder ? FILE_ATTRIBUTE_DIRECTORY : kArchive) | (node->reparseTag ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
}

BOOL GetFileInformationByHandle(HANDLE hFile, FILE_FACTS* lpFileInformation) {
    sim::detail::KernelLock lock;
    HandleEntry* e = FindHandle(hFile, "GetFileInformationByHandle");
    if (!e || e->kind != HandleKind::File || !lpFileInformation) return FALSE;
    lpFileInformation->dwFileAttributes = (e->node->folder ? FILE_ATTRIBUTE_DIRECTORY : 0x20) |
                                          (e->node->reparseTag ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    lpFileInformation->nNumberOfLinks = NameCount(e->node);
    return TRUE;
}

BOOL GetFileAttributeTagInfo(HANDLE hFile, FILE_ATTRIBUTE_TAG_INFO* lpInfo) {
    sim::detail::KernelLock lock;
    HandleEntry* e = FindHandle(hFile, "GetFileInformationByHandleEx");
    if (!e || e->kind != HandleKind::File || !lpInfo || e->node->tagUnreadable) return FALSE;
    lpInfo->FileAttributes = (e->node->folder ? FILE_ATTRIBUTE_DIRECTORY : 0x20) |
                             (e->node->reparseTag ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    lpInfo->ReparseTag = e->node->reparseTag;
    return TRUE;
}

BOOL FileExists(const char* lpFileName) {
    sim::detail::KernelLock lock;
    if (!lpFileName) return FALSE;
    Node* node = Lookup(lpFileName);
    return node && !node->folder ? TRUE : FALSE;
}

}  // namespace plat
