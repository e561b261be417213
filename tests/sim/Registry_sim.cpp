// The simulated registry: the current user's hive and the machine's as
// trees of keys, each with its values (type and bytes). Names compare
// without regard to ASCII case, as Windows compares them. On a simulated
// 64-bit Windows (SetWow64) the 32-bit program's HKEY_LOCAL_MACHINE\Software
// is the 32-bit view (Software\Wow6432Node) unless it asks for
// KEY_WOW64_64KEY; 32-bit Windows, like a 32-bit Wine prefix, has one view.
#include "platform/Registry.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimFaults.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimRegistry.h"
#include "tests/sim/SimSecurity.h"
#include "tests/sim/SimWorld.h"

#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace sim {
namespace {

struct Value {
    plat::DWORD type = 0;
    std::string bytes;
};

struct RegistryState {
    std::map<std::string, std::map<std::string, Value>> keys;  // by Key(path), values by Key(name)
    std::set<std::string> protectedKeys;
    std::map<plat::HKEY, std::string> open;  // handle -> key path
    bool wow64 = false;
    std::uintptr_t next = 0x2000;
};

RegistryState& State() {
    static RegistryState state;
    return state;
}

// "a\\b\\" and "A\\B" name one key.
std::string KeyPath(const std::string& path) {
    std::string key = detail::Key(path);
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

// The machine's keys, beside the user's in one map.
const std::string kMachine = "\x01machine";
const std::string kSoftware = "SOFTWARE";

// The 32-bit view of a machine path under Software, as WOW64 redirects it.
std::string Redirected(const std::string& sub) {
    if (sub.compare(0, kSoftware.size(), kSoftware) != 0) return sub;
    if (sub.size() > kSoftware.size() && sub[kSoftware.size()] != '\\') return sub;
    return kSoftware + "\\WOW6432NODE" + sub.substr(kSoftware.size());
}

// The full path of a sub-key of an open key (or of a root).
bool Resolve(plat::HKEY parent, const char* subKey, std::string* out, plat::DWORD sam = 0) {
    std::string base;
    std::string sub = subKey ? KeyPath(subKey) : std::string();
    if (parent == plat::HKEY_LOCAL_MACHINE) {
        base = kMachine;
        if (State().wow64 && !(sam & plat::KEY_WOW64_64KEY)) sub = Redirected(sub);
    } else if (parent != plat::HKEY_CURRENT_USER) {
        auto it = State().open.find(parent);
        if (it == State().open.end()) return false;
        base = it->second;
    }
    *out = base.empty() ? sub : sub.empty() ? base : base + "\\" + sub;
    return true;
}

plat::HKEY OpenHandle(const std::string& path) {
    plat::HKEY h = reinterpret_cast<plat::HKEY>(State().next);
    State().next += 4;
    State().open[h] = path;
    return h;
}

const std::string* KeyOf(plat::HKEY h) {
    auto it = State().open.find(h);
    return it == State().open.end() ? nullptr : &it->second;
}

bool HasSubKeys(const std::string& path) {
    const std::string prefix = path + "\\";
    auto it = State().keys.lower_bound(prefix);
    return it != State().keys.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

// The machine's keys are changed only by an elevated administrator or SYSTEM.
bool Refused(const std::string& path) {
    const bool machine = path.compare(0, kMachine.size(), kMachine) == 0;
    return State().protectedKeys.count(path) ||
           (machine && CurrentUser() != Account::Administrators && CurrentUser() != Account::System);
}

const Value* Find(const std::string& subKey, const std::string& name) {
    auto key = State().keys.find(KeyPath(subKey));
    if (key == State().keys.end()) return nullptr;
    auto value = key->second.find(detail::Key(name));
    return value == key->second.end() ? nullptr : &value->second;
}

}  // namespace

void ResetRegistry() { State() = RegistryState{}; }

bool RegistryKeyExists(const std::string& subKey) {
    detail::KernelLock lock;
    return State().keys.count(KeyPath(subKey)) != 0;
}

std::optional<std::string> RegistryString(const std::string& subKey, const std::string& name) {
    detail::KernelLock lock;
    const Value* v = Find(subKey, name);
    if (!v || v->type != plat::REG_SZ) return std::nullopt;
    return std::string(v->bytes.c_str());
}

std::optional<plat::DWORD> RegistryDword(const std::string& subKey, const std::string& name) {
    detail::KernelLock lock;
    const Value* v = Find(subKey, name);
    if (!v || v->type != plat::REG_DWORD || v->bytes.size() != 4) return std::nullopt;
    plat::DWORD d = 0;
    std::memcpy(&d, v->bytes.data(), 4);
    return d;
}

namespace {

void Put(const std::string& path, const std::string& name, Value value) {
    for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
        State().keys[path.substr(0, at)];
    State().keys[path][detail::Key(name)] = std::move(value);
}

}  // namespace

void PutRegistryString(const std::string& subKey, const std::string& name, const std::string& value) {
    detail::KernelLock lock;
    Put(KeyPath(subKey), name, Value{plat::REG_SZ, value + '\0'});
}

void SetWow64(bool wow64) {
    detail::KernelLock lock;
    State().wow64 = wow64;
}

void PutMachineValue(const std::string& subKey, const std::string& name, plat::DWORD type, const std::string& bytes) {
    detail::KernelLock lock;
    Put(kMachine + "\\" + KeyPath(subKey), name, Value{type, bytes});
}

std::optional<std::string> MachineRegistryString(const std::string& subKey, const std::string& name) {
    detail::KernelLock lock;
    auto key = State().keys.find(kMachine + "\\" + KeyPath(subKey));
    if (key == State().keys.end()) return std::nullopt;
    auto value = key->second.find(detail::Key(name));
    if (value == key->second.end() || value->second.type != plat::REG_SZ) return std::nullopt;
    return std::string(value->second.bytes.c_str());
}

void ProtectRegistryKey(const std::string& subKey) {
    detail::KernelLock lock;
    State().protectedKeys.insert(KeyPath(subKey));
}

int OpenRegistryKeyCount() {
    detail::KernelLock lock;
    return static_cast<int>(State().open.size());
}

}  // namespace sim

namespace plat {

using sim::State;

LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired, HKEY* phkResult) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::RegCreateKey)) return ERROR_ACCESS_DENIED;
    std::string path;
    if (!phkResult || !sim::Resolve(hKey, lpSubKey, &path, samDesired) || path.empty()) return ERROR_FILE_NOT_FOUND;
    if (!State().keys.count(path) && sim::Refused(path.substr(0, path.rfind('\\')))) return ERROR_ACCESS_DENIED;
    // Every missing level is made, as Windows does.
    for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
        State().keys[path.substr(0, at)];
    State().keys[path];
    *phkResult = sim::OpenHandle(path);
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired, HKEY* phkResult) {
    sim::detail::KernelLock lock;
    std::string path;
    if (!phkResult || !sim::Resolve(hKey, lpSubKey, &path, samDesired) || !State().keys.count(path))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = sim::OpenHandle(path);
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::RegSetValue)) return ERROR_ACCESS_DENIED;
    const std::string* path = sim::KeyOf(hKey);
    if (!path) return ERROR_FILE_NOT_FOUND;
    if (sim::Refused(*path)) return ERROR_ACCESS_DENIED;
    auto key = State().keys.find(*path);
    if (key == State().keys.end()) return ERROR_FILE_NOT_FOUND;  // deleted meanwhile
    key->second[sim::detail::Key(lpValueName ? lpValueName : "")] =
        sim::Value{dwType, std::string(reinterpret_cast<const char*>(lpData), cbData)};
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    sim::detail::KernelLock lock;
    const std::string* path = sim::KeyOf(hKey);
    if (!path) return ERROR_FILE_NOT_FOUND;
    auto key = State().keys.find(*path);
    if (key == State().keys.end()) return ERROR_FILE_NOT_FOUND;
    auto value = key->second.find(sim::detail::Key(lpValueName ? lpValueName : ""));
    if (value == key->second.end()) return ERROR_FILE_NOT_FOUND;
    const std::string& bytes = value->second.bytes;
    if (lpType) *lpType = value->second.type;
    if (!lpcbData) return lpData ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    const DWORD room = *lpcbData;
    *lpcbData = static_cast<DWORD>(bytes.size());
    if (!lpData) return ERROR_SUCCESS;
    if (room < bytes.size()) return ERROR_MORE_DATA;
    std::memcpy(lpData, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::RegDeleteKey)) return ERROR_ACCESS_DENIED;
    std::string path;
    if (!sim::Resolve(hKey, lpSubKey, &path) || !State().keys.count(path)) return ERROR_FILE_NOT_FOUND;
    if (sim::Refused(path) || sim::HasSubKeys(path)) return ERROR_ACCESS_DENIED;
    State().keys.erase(path);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    sim::detail::KernelLock lock;
    return State().open.erase(hKey) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

}  // namespace plat
