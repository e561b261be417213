// The current user's registry: a key made with its missing parents, its
// values read back, and deleted only once it has no sub-keys.
#include "base/Handles.h"
#include "platform/Registry.h"
#include "tests/contract/ContractWorld.h"

#include <cstring>

using namespace plat;

namespace contract {
namespace {

using Registry = WorldTest;

constexpr char kRoot[] = "Software\\tarnquill contract";
constexpr char kKey[] = "Software\\tarnquill contract\\Uninstall\\Veltrano";

LONG SetString(HKEY key, const char* name, const char* value) {
    return RegSetValueExA(key, name, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

TEST_F(Registry, AKeyIsMadeWithItsParentsReadBackAndDeletedLeafFirst) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, KEY_SET_VALUE, key.Put()));
    EXPECT_EQ(ERROR_SUCCESS, SetString(key.Get(), "DisplayVersion", "5.0.0.0"));
    const DWORD one = 1;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "NoModify", REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4));
    key.Close();

    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tarnquill Contract\\uninstall\\veltrano",
                                           KEY_QUERY_VALUE, key.Put()));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "displayversion", &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(8u, size);  // with its terminator
    char text[16] = {};
    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key.Get(), "DisplayVersion", &type, reinterpret_cast<BYTE*>(text), &size));
    EXPECT_EQ(8u, size);
    size = sizeof text;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "DisplayVersion", &type, reinterpret_cast<BYTE*>(text), &size));
    EXPECT_STREQ("5.0.0.0", text);
    DWORD value = 0;
    size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "NoModify", &type, reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(1u, value);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key.Get(), "Publisher", &type, nullptr, &size));
    key.Close();

    EXPECT_NE(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, kRoot));  // it has a sub-key
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, KEY_QUERY_VALUE, key.Put()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\tarnquill contract\\Uninstall"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, kRoot));
}

// The machine's policy is read from the 64-bit view by name, which 32-bit
// Windows (and a 32-bit Wine prefix) has as its only one. Wine lets every
// process write HKEY_LOCAL_MACHINE (all run as administrators).
TEST_F(Registry, TheMachinesKeysAreReadThroughThe64BitView) {
    RunAsMachineAdministrator();
    constexpr char kMachineKey[] = "Software\\tarnquill contract policy";
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, KEY_SET_VALUE | KEY_WOW64_64KEY, key.Put()));
    const DWORD zero = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key.Get(), "AutoUpdate", REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4));
    key.Close();
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Put()));
    DWORD type = 0, value = 7, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "AutoUpdate", &type, reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(0u, value);
    key.Close();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, kMachineKey, KEY_QUERY_VALUE, key.Put()));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMachineKey));
}

}  // namespace
}  // namespace contract
