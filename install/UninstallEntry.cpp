#include "install/UninstallEntry.h"

#include "base/Handles.h"
#include "base/ProgramPaths.h"
#include "install/InstallFolderTrust.h"
#include "install/PathCompare.h"
#include "platform/Kernel.h"
#include "platform/Registry.h"

#include <cstring>

using namespace plat;

namespace {

constexpr char kDisplayName[] = "Veltrano";
constexpr char kPublisher[] = "Veltrano";

bool SetString(HKEY key, const char* name, const char* value) {
    return RegSetValueExA(key, name, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

HKEY RootOf(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// A text value of the user's entry, empty when there is no entry or no such text.
CString EntryText(const char* name) {
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kUninstallEntryKey, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return CString();
    char text[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD size = sizeof text - 1;  // room for a terminator the value may lack
    if (RegQueryValueExA(key.Get(), name, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return CString();
    return CString(text);
}

// Whether the user's entry lists the copy in that folder.
bool EntryNames(const CString& installFolder) {
    return SamePath(EntryText("InstallLocation"), FolderName(installFolder));
}

// The installed executable's size, 0 when it cannot be read.
DWORD FileSizeOf(const char* path) {
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL));
    if (!file) return 0;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

}  // namespace

bool WriteUninstallEntry(const CString& installFolder, const CString& version, DWORD imageBytes, bool machine) {
    RegKey key;
    if (RegCreateKeyExA(RootOf(machine), kUninstallEntryKey, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS)
        return false;
    const CString target = InstallTargetIn(installFolder);
    const CString quoted = "\"" + target + "\"";
    bool written = SetString(key.Get(), "DisplayName", kDisplayName);
    written &= SetString(key.Get(), "DisplayVersion", version);
    written &= SetString(key.Get(), "Publisher", kPublisher);
    written &= SetString(key.Get(), "DisplayIcon", target);
    written &= SetString(key.Get(), "InstallLocation", FolderName(installFolder));
    written &= SetString(key.Get(), "UninstallString", quoted + " /uninstall");
    written &= SetString(key.Get(), "QuietUninstallString", quoted + " /uninstall /quiet");
    written &= SetDword(key.Get(), "NoModify", 1);
    written &= SetDword(key.Get(), "NoRepair", 1);
    if (imageBytes == 0) imageBytes = FileSizeOf(target);
    written &= SetDword(key.Get(), "EstimatedSize", (imageBytes + 1023) / 1024);  // in KiB
    return written;
}

void KeepUninstallEntry(const CString& installFolder, const CString& version) {
    // The entry names the copy this user uses: the machine's, or their own
    // once the machine's is not theirs to trust.
    if (version.IsEmpty() || (EntryText("DisplayVersion") == version && EntryNames(installFolder))) return;
    WriteUninstallEntry(installFolder, version, 0);
}

bool RemoveUninstallEntry(bool machine) {
    const LONG result = RegDeleteKeyA(RootOf(machine), kUninstallEntryKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

CString UninstallEntryName(bool machine) {
    return CString(machine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") + kUninstallEntryKey;
}

bool MachineEntryExists() {
    RegKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallEntryKey, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
}

void RemoveUserEntryFor(const CString& installFolder) {
    if (EntryNames(installFolder)) RemoveUninstallEntry();
}
