// The registry (advapi32): the program's entry in the list of installed
// programs (the user's), and the policy an administrator sets for the
// machine, which it only reads.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

using HKEY = struct HKEY__*;
// The predefined key, sign-extended as the SDK defines it on 64-bit builds.
inline HKEY const HKEY_CURRENT_USER =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u)));
inline HKEY const HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_MORE_DATA = 234;

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
// The 64-bit view for a 32-bit program on 64-bit Windows; ignored by 32-bit
// Windows.
constexpr DWORD KEY_WOW64_64KEY = 0x0100;

// No class, REG_OPTION_NON_VOLATILE, no security attributes, the
// disposition not asked: opens the key, creating it and missing parents.
LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired, HKEY* phkResult);
LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired, HKEY* phkResult);
// A REG_SZ's size counts its terminator.
LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD dwType, const BYTE* lpData, DWORD cbData);
// Null data asks for the size only; too small a buffer is ERROR_MORE_DATA
// with the size needed in *lpcbData.
LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
// A key without sub-keys, its values with it.
LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey);
LONG RegCloseKey(HKEY hKey);

}  // namespace plat
