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

// Made by the first copy, opened by the others; one that has just been
// closed by its maker is made anew. The functions are looked up at each
// call: a process takes this lock once or twice.
HANDLE MakeOrOpenNamespace(SECURITY_ATTRIBUTES* security) {
    const auto boundary = Kernel32<decltype(&::CreateBoundaryDescriptorW)>("CreateBoundaryDescriptorW");
    const auto addSid = Kernel32<decltype(&::AddSIDToBoundaryDescriptor)>("AddSIDToBoundaryDescriptor");
    const auto drop = Kernel32<decltype(&::DeleteBoundaryDescriptor)>("DeleteBoundaryDescriptor");
    const auto create = Kernel32<decltype(&::CreatePrivateNamespaceW)>("CreatePrivateNamespaceW");
    const auto open = Kernel32<decltype(&::OpenPrivateNamespaceW)>("OpenPrivateNamespaceW");
    // Wine 8, for one, exports CreateBoundaryDescriptorW alone (and fails
    // it); its other namespace functions are stubs that end the process.
    if (!boundary || !addSid || !drop || !create || !open) return nullptr;
    HANDLE descriptor = boundary(kNamespace, 0);
    if (!descriptor) return nullptr;
    AdministratorsSid admins;
    HANDLE made = nullptr;
    if (addSid(&descriptor, &admins)) {
        for (int attempt = 0; attempt < 3 && !made; ++attempt) {
            made = create(security, descriptor, kNamespace);
            if (!made && ::GetLastError() == ERROR_ALREADY_EXISTS) made = open(descriptor, kNamespace);
        }
    }
    drop(descriptor);
    return made;
}

}  // namespace

HANDLE CreateAdminMutexA(const char* lpName) {
    // Open for the process's life: its objects stay reachable by name.
    static HANDLE space = nullptr;
    const auto fromText = win32::SystemFunction<decltype(&::ConvertStringSecurityDescriptorToSecurityDescriptorA)>(
        "advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    const auto createEx = Kernel32<decltype(&::CreateMutexExA)>("CreateMutexExA");
    char name[MAX_PATH];
    int length = 0;
    for (const char* p = kPrefix; *p;) name[length++] = *p++;
    while (*lpName && length < MAX_PATH - 1) name[length++] = *lpName++;
    name[length] = '\0';
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    if (*lpName || !fromText || !createEx ||
        !fromText(kAdminsOnly, SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr))
        return nullptr;
    if (!space) space = MakeOrOpenNamespace(&security);
    // Just enough to wait and let go; an existing mutex is opened with these.
    HANDLE mutex = space ? createEx(&security, name, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE) : nullptr;
    ::LocalFree(security.lpSecurityDescriptor);
    return mutex;
}

}  // namespace plat
