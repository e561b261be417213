// The registry: advapi32 bound at first use from the system folder
// (SystemDll.h), so it stays out of the import table. When it cannot be
// bound every call fails as a missing key would.
#include "platform/Registry.h"
#include "platform/win32/SystemDll.h"

#include <windows.h>

namespace plat {
namespace {

template <class Fn>
Fn Advapi(const char* name) {
    return win32::SystemFunction<Fn>("advapi32.dll", name);
}

::HKEY Real(HKEY key) { return reinterpret_cast<::HKEY>(key); }
::HKEY* Real(HKEY* key) { return reinterpret_cast<::HKEY*>(key); }

constexpr LONG kUnbound = ERROR_FILE_NOT_FOUND;

}  // namespace

static_assert(sizeof(HKEY) == sizeof(::HKEY), "same key handle");

LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired, HKEY* phkResult) {
    static const auto fn = Advapi<decltype(&::RegCreateKeyExA)>("RegCreateKeyExA");
    if (!fn) return kUnbound;
    return fn(Real(hKey), lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, samDesired, nullptr,
              Real(phkResult), nullptr);
}

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired, HKEY* phkResult) {
    static const auto fn = Advapi<decltype(&::RegOpenKeyExA)>("RegOpenKeyExA");
    return fn ? fn(Real(hKey), lpSubKey, 0, samDesired, Real(phkResult)) : kUnbound;
}

LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    static const auto fn = Advapi<decltype(&::RegSetValueExA)>("RegSetValueExA");
    return fn ? fn(Real(hKey), lpValueName, 0, dwType, lpData, cbData) : kUnbound;
}

LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    static const auto fn = Advapi<decltype(&::RegQueryValueExA)>("RegQueryValueExA");
    return fn ? fn(Real(hKey), lpValueName, nullptr, reinterpret_cast<::DWORD*>(lpType), lpData,
                   reinterpret_cast<::DWORD*>(lpcbData))
              : kUnbound;
}

LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    static const auto fn = Advapi<decltype(&::RegDeleteKeyA)>("RegDeleteKeyA");
    return fn ? fn(Real(hKey), lpSubKey) : kUnbound;
}

LONG RegCloseKey(HKEY hKey) {
    static const auto fn = Advapi<decltype(&::RegCloseKey)>("RegCloseKey");
    return fn ? fn(Real(hKey)) : kUnbound;
}

}  // namespace plat
