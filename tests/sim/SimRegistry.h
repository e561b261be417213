// The test-facing side of the simulated registry: the current user's keys
// and values, empty after sim::Reset().
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
// Key handles still open.
int OpenRegistryKeyCount();

}  // namespace sim
