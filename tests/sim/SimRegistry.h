// The test-facing side of the simulated registry: the current user's keys
// and values, and the machine's, empty after sim::Reset().
#pragma once
#include "platform/WinTypes.h"

#include <optional>
#include <string>

namespace sim {

// Paths below HKEY_CURRENT_USER, e.g. "Software\\Microsoft\\...".
bool RegistryKeyExists(const std::string& subKey);
// A REG_SZ value without its terminator; nothing when missing or of
// another type.
std::optional<std::string> RegistryString(const std::string& subKey, const std::string& name);
std::optional<plat::DWORD> RegistryDword(const std::string& subKey, const std::string& name);
void PutRegistryString(const std::string& subKey, const std::string& name, const std::string& value);
// A key this user may read but not change or delete (one an administrator
// made): every write and delete of it is refused with ERROR_ACCESS_DENIED.
void ProtectRegistryKey(const std::string& subKey);
// The program runs on 64-bit Windows from now on (until sim::Reset()).
void SetWow64(bool wow64);
// A value under HKEY_LOCAL_MACHINE as Group Policy or an administrator's
// 64-bit tool writes it: in the 64-bit view, its missing keys made.
void PutMachineValue(const std::string& subKey, const std::string& name, plat::DWORD type, const std::string& bytes);
// A REG_SZ under HKEY_LOCAL_MACHINE, as a 32-bit Windows holds it (one view).
std::optional<std::string> MachineRegistryString(const std::string& subKey, const std::string& name);
// Key handles still open.
int OpenRegistryKeyCount();

}  // namespace sim
