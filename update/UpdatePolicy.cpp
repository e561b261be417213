#include "update/UpdatePolicy.h"
#include "update/UpdateSettings.h"

#include "base/Handles.h"
#include "base/SupportLog.h"

#include "platform/Registry.h"

#include <cctype>
#include <cstring>

using namespace plat;

namespace {

// A 32-bit program on 64-bit Windows reads HKLM\Software through the
// redirector, which would show it Software\Wow6432Node; Group Policy and a
// 64-bit tool write the 64-bit view. That view, asked for by name, is the
// one an administrator sees in regedit.
constexpr DWORD kPolicyAccess = KEY_QUERY_VALUE | KEY_WOW64_64KEY;

bool ReadDword(HKEY key, const char* name, DWORD& value) {
    DWORD type = 0, size = sizeof value;
    return RegQueryValueExA(key, name, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof value;
}

// A REG_SZ that fits kPolicyUrlMax with its terminator; empty otherwise.
CString ReadString(HKEY key, const char* name) {
    char text[kPolicyUrlMax + 1] = {};
    DWORD type = 0, size = kPolicyUrlMax;
    if (RegQueryValueExA(key, name, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return CString();
    return CString(text);
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (std::tolower(static_cast<unsigned char>(*text)) != *prefix) return false;
    return true;
}

}  // namespace

CString PolicyDirectory(const char* url) {
    const char kScheme[] = TQ_SCHEME "://";
    const std::size_t length = std::strlen(url);
    if (length >= kPolicyUrlMax || !StartsWithNoCase(url, kScheme)) return CString();
    const char* host = url + sizeof kScheme - 1;
    if (*host == '\0' || *host == '/') return CString();
    for (const char* p = url; *p; ++p)
        if (*p <= ' ' || *p > '~' || *p == '?' || *p == '#' || *p == '\\') return CString();
    CString directory(url);
    if (url[length - 1] != '/') directory += "/";
    return directory;
}

UpdatePolicy ReadUpdatePolicy() {
    UpdatePolicy policy;
    policy.directory = kUpdateDirectoryUrl;
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, kPolicyAccess, key.Put()) != ERROR_SUCCESS) return policy;
    DWORD autoUpdate = 1;
    if (ReadDword(key.Get(), kPolicyAutoUpdate, autoUpdate)) policy.autoUpdate = autoUpdate != 0;
    CString mirror = PolicyDirectory(ReadString(key.Get(), kPolicyUpdateUrl));
    if (!mirror.IsEmpty()) policy.directory = mirror;
    LogEvent("policy: AutoUpdate %s, %s", policy.autoUpdate ? "on" : "off", LoggableUrl(policy.directory).c_str());
    return policy;
}
