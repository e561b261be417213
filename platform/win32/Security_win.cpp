// Owners and access lists: advapi32, bound at first use (SystemDll.h) like
// the CryptoAPI, for the order of the import table. When the library cannot
// be bound every call fails, and the install folder is then not trusted.
// Whether the token is an administrator's is shell32's (a known DLL).
#include "platform/Security.h"
#include "platform/win32/SystemDll.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstddef>
#include <cstdio>

namespace plat {
namespace {

template <class Fn>
Fn Advapi32(const char* name) {
    return win32::SystemFunction<Fn>("advapi32.dll", name);
}


// Frees what advapi32 hands back with LocalAlloc.
class LocalBlock {
public:
    ~LocalBlock() {
        if (m_p) ::LocalFree(m_p);
    }
    void** Put() { return &m_p; }
    void* Get() const { return m_p; }

private:
    void* m_p = nullptr;
};

bool DescriptorOf(const char* sddl, LocalBlock& descriptor) {
    static const auto fromText = Advapi32<decltype(&::ConvertStringSecurityDescriptorToSecurityDescriptorA)>(
        "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    return fromText && fromText(sddl, SDDL_REVISION_1, descriptor.Put(), nullptr);
}

// The machine's folder: no person's account, owner Administrators.
constexpr char kMachineList[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// The current user's SID in a caller's buffer; false when it cannot be read.
bool CurrentUserSid(BYTE (&buffer)[256]) {
    static const auto open = Advapi32<decltype(&::OpenProcessToken)>("OpenProcessToken");
    static const auto info = Advapi32<decltype(&::GetTokenInformation)>("GetTokenInformation");
    HANDLE token = nullptr;
    if (!open || !info || !open(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    ::DWORD size = 0;
    const BOOL ok = info(token, TokenUser, buffer, sizeof buffer, &size);
    ::CloseHandle(token);
    return ok;
}

PSID UserSidIn(BYTE (&buffer)[256]) { return reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid; }

// The protected list in the security descriptor language, with the current
// user's SID written out: "P" keeps what lies above from flowing in, "OICI"
// passes every entry to files and folders made inside.
bool ProtectedDescriptor(LocalBlock& descriptor) {
    static const auto toText = Advapi32<decltype(&::ConvertSidToStringSidA)>("ConvertSidToStringSidA");
    BYTE user[256];
    LocalBlock userText;
    if (!toText || !CurrentUserSid(user) || !toText(UserSidIn(user), reinterpret_cast<LPSTR*>(userText.Put())))
        return false;
    char sddl[512];
    const int n = std::snprintf(sddl, sizeof sddl, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;%s)(A;OICI;0x1200a9;;;BU)",
                                static_cast<const char*>(userText.Get()));
    if (n <= 0 || n >= static_cast<int>(sizeof sddl)) return false;
    return DescriptorOf(sddl, descriptor);
}

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
    static const auto known = Advapi32<decltype(&::IsWellKnownSid)>("IsWellKnownSid");
    return known && known(sid, type);
}

bool SameSid(PSID a, PSID b) {
    static const auto equal = Advapi32<decltype(&::EqualSid)>("EqualSid");
    return equal && equal(a, b);
}


}  // namespace

BOOL CreateProtectedDirectoryA(const char* lpPathName) {
    LocalBlock descriptor;
    if (!ProtectedDescriptor(descriptor)) return FALSE;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    return ::CreateDirectoryA(lpPathName, &attributes);
}

namespace {

// Privileges an administrator's token holds but has switched off: taking
// the ownership of what grants no right to change it, and changing the list
// of what denies it even to its owner. On for one call and off after it, so
// no other opening of the process passes an access list it should not.
bool SwitchTakeOverPrivileges(BOOL on) {
    // Looked up at each call: one process takes a folder over once.
    const auto open = Advapi32<decltype(&::OpenProcessToken)>("OpenProcessToken");
    const auto lookup = Advapi32<decltype(&::LookupPrivilegeValueA)>("LookupPrivilegeValueA");
    const auto adjust = Advapi32<decltype(&::AdjustTokenPrivileges)>("AdjustTokenPrivileges");
    HANDLE token = nullptr;
    if (!open || !lookup || !adjust || !open(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
    const ::DWORD state = on ? SE_PRIVILEGE_ENABLED : 0;
    struct {
        ::DWORD count;
        LUID_AND_ATTRIBUTES privileges[2];
    } both{2, {{{0, 0}, state}, {{0, 0}, state}}};
    const bool switched = lookup(nullptr, "SeTakeOwnershipPrivilege", &both.privileges[0].Luid) &&
                          lookup(nullptr, "SeRestorePrivilege", &both.privileges[1].Luid) &&
                          adjust(token, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&both), 0, nullptr, nullptr);
    ::CloseHandle(token);
    return switched;
}

// The descriptor's list (and owner, when it names one) given to the object
// at the name itself, through a handle on it: a link there is not followed,
// so whatever it leads to is never changed. Applying the list also passes
// it to everything inside that inherits.
bool Apply(const char* path, const LocalBlock& descriptor) {
    static const auto ownerOf = Advapi32<decltype(&::GetSecurityDescriptorOwner)>("GetSecurityDescriptorOwner");
    static const auto daclOf = Advapi32<decltype(&::GetSecurityDescriptorDacl)>("GetSecurityDescriptorDacl");
    static const auto set = Advapi32<decltype(&::SetSecurityInfo)>("SetSecurityInfo");
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!ownerOf || !daclOf || !set || !daclOf(descriptor.Get(), &present, &dacl, &defaulted) || !present ||
        !ownerOf(descriptor.Get(), &owner, &defaulted))
        return false;
    if (owner) SwitchTakeOverPrivileges(TRUE);
    HANDLE folder = ::CreateFileA(path, READ_CONTROL | WRITE_DAC | (owner ? WRITE_OWNER : 0),
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    // A group of the token may be named the owner; another account needs
    // the restore privilege still on.
    const ::DWORD result =
        folder == INVALID_HANDLE_VALUE
            ? ERROR_ACCESS_DENIED
            : set(folder, SE_FILE_OBJECT,
                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION |
                      (owner ? OWNER_SECURITY_INFORMATION : 0),
                  owner, nullptr, dacl, nullptr);
    if (owner) SwitchTakeOverPrivileges(FALSE);
    if (folder != INVALID_HANDLE_VALUE) ::CloseHandle(folder);
    return result == ERROR_SUCCESS;
}

TRUSTEE_KIND KindOf(PSID sid, PSID user) {
    if (!sid) return TRUSTEE_OTHER;
    return IsSid(sid, WinLocalSystemSid)             ? TRUSTEE_SYSTEM
           : IsSid(sid, WinBuiltinAdministratorsSid) ? TRUSTEE_ADMINISTRATORS
           : SameSid(sid, user)                      ? TRUSTEE_CURRENT_USER
                                                     : TRUSTEE_OTHER;
}

// The account an entry names: after the mask for the plain and callback
// types, after the object types' GUIDs (those present) for the object types.
// Null for any other type, whose layout the program does not read.
PSID EntrySid(ACE_HEADER* header) {
    BYTE* const start = reinterpret_cast<BYTE*>(header);
    switch (header->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_DENIED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_ACE_TYPE:
            return start + offsetof(ACCESS_ALLOWED_ACE, SidStart);
        case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
        case ACCESS_DENIED_OBJECT_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE: {
            const auto* object = reinterpret_cast<ACCESS_ALLOWED_OBJECT_ACE*>(header);
            std::size_t at = offsetof(ACCESS_ALLOWED_OBJECT_ACE, ObjectType);
            if (object->Flags & ACE_OBJECT_TYPE_PRESENT) at += sizeof(GUID);
            if (object->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) at += sizeof(GUID);
            return at + sizeof(SID) <= header->AceSize ? start + at : nullptr;
        }
        default:
            return nullptr;
    }
}

}  // namespace

BOOL ProtectDirectoryA(const char* lpPathName) {
    LocalBlock descriptor;
    return ProtectedDescriptor(descriptor) && Apply(lpPathName, descriptor);
}

BOOL TakeOverDirectoryA(const char* lpPathName) {
    LocalBlock descriptor;
    return DescriptorOf(kMachineList, descriptor) && Apply(lpPathName, descriptor);
}

BOOL IsMachineAdministrator() {
    // CheckTokenMembership of the Administrators group for the process's
    // token, as shell32 documents it: LocalSystem's token holds that group
    // too, and UAC's filtered token holds it for denying only.
    return ::IsUserAnAdmin();
}

BOOL GetSecurityInfoOfHandle(HANDLE hFile, OBJECT_SECURITY* security) {
    static const auto get = Advapi32<decltype(&::GetSecurityInfo)>("GetSecurityInfo");
    static const auto getAce = Advapi32<decltype(&::GetAce)>("GetAce");
    BYTE user[256];
    if (!get || !getAce || !security || !CurrentUserSid(user)) return FALSE;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalBlock descriptor;
    if (get(hFile, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
            nullptr, descriptor.Put()) != ERROR_SUCCESS ||
        !owner)
        return FALSE;
    security->owner = KindOf(owner, UserSidIn(user));
    security->hasAccessList = dacl ? TRUE : FALSE;
    security->entryCount = dacl ? dacl->AceCount : 0;
    if (security->entryCount > MAX_ACCESS_ENTRIES) return FALSE;
    for (::DWORD i = 0; i < security->entryCount; ++i) {
        void* ace = nullptr;
        if (!getAce(dacl, i, &ace)) return FALSE;
        auto* header = static_cast<ACE_HEADER*>(ace);
        ACCESS_ENTRY& entry = security->entries[i];
        entry.type = header->AceType;
        entry.flags = header->AceFlags;
        // Every type the program reads keeps its mask right after the header.
        entry.mask = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->Mask;
        entry.who = KindOf(EntrySid(header), UserSidIn(user));
    }
    return TRUE;
}


}  // namespace plat
