// The Administrators' private namespace: kernel32's namespace calls (Vista
// and later) bound at first use, so the program still starts where they
// are missing; advapi32 for the access list (SystemDll.h).
#include "platform/PrivateNamespace.h"
#include "platform/win32/SystemDll.h"

#include <windows.h>
#include <sddl.h>

namespace plat {
namespace {

constexpr wchar_t kNamespace[] = L"tarnquill";
constexpr char kPrefix[] = "tarnquill\\";

template <class Fn>
Fn Kernel32(const char* name) {
    return win32::SystemFunction<Fn>("kernel32.dll", name);
}

// S-1-5-32-544, BUILTIN\Administrators, written out.
const SID_IDENTIFIER_AUTHORITY kNtAuthority = SECURITY_NT_AUTHORITY;
struct AdministratorsSid {
    BYTE revision = SID_REVISION;
    BYTE count = 2;
    SID_IDENTIFIER_AUTHORITY authority = kNtAuthority;
    DWORD rids[2] = {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS};
};

// SYSTEM and Administrators full control, nobody else anything; "P": nothing
// flows in from above.
constexpr char kAdminsOnly[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

struct Security {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    ~Security() {
        if (attributes.lpSecurityDescriptor) ::LocalFree(attributes.lpSecurityDescriptor);
    }
    bool Make() {
        static const auto fromText = win32::SystemFunction<decltype(&::ConvertStringSecurityDescriptorToSecurityDescriptorA)>(
            "advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA");
        return fromText && fromText(kAdminsOnly, SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr);
    }
};

// Made by the first copy, opened by the others; one that has just been
// closed by its maker is made anew.
HANDLE MakeOrOpenNamespace(Security& security) {
    static const auto boundary = Kernel32<decltype(&::CreateBoundaryDescriptorW)>("CreateBoundaryDescriptorW");
    static const auto addSid = Kernel32<decltype(&::AddSIDToBoundaryDescriptor)>("AddSIDToBoundaryDescriptor");
    static const auto drop = Kernel32<decltype(&::DeleteBoundaryDescriptor)>("DeleteBoundaryDescriptor");
    static const auto create = Kernel32<decltype(&::CreatePrivateNamespaceW)>("CreatePrivateNamespaceW");
    static const auto open = Kernel32<decltype(&::OpenPrivateNamespaceW)>("OpenPrivateNamespaceW");
    if (!boundary || !addSid || !drop || !create || !open) return nullptr;
    // Wine, for one, has no boundary descriptors: stop before its other
    // namespace functions, which end the process there.
    HANDLE descriptor = boundary(kNamespace, 0);
    if (!descriptor) return nullptr;
    AdministratorsSid admins;
    HANDLE made = nullptr;
    if (addSid(&descriptor, &admins)) {
        for (int attempt = 0; attempt < 3 && !made; ++attempt) {
            made = create(&security.attributes, descriptor, kNamespace);
            if (!made && ::GetLastError() == ERROR_ALREADY_EXISTS) made = open(descriptor, kNamespace);
        }
    }
    drop(descriptor);
    return made;
}

}  // namespace

HANDLE CreateAdminMutexA(const char* lpName) {
    static const auto createEx = Kernel32<decltype(&::CreateMutexExA)>("CreateMutexExA");
    Security security;
    if (!createEx || !security.Make()) return nullptr;
    // Open for the process's life: its objects stay reachable by name.
    static HANDLE space = nullptr;
    if (!space) space = MakeOrOpenNamespace(security);
    if (!space) return nullptr;
    char name[MAX_PATH];
    const int length = ::lstrlenA(lpName);
    if (length + static_cast<int>(sizeof kPrefix) > MAX_PATH) return nullptr;
    ::lstrcpyA(name, kPrefix);
    ::lstrcatA(name, lpName);
    // Just enough to wait and let go; an existing mutex is opened with these.
    return createEx(&security.attributes, name, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
}

}  // namespace plat
