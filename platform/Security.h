// Owners and access lists of files and folders (advapi32), as far as the
// install folder needs them. The common application data folder lets every
// local user add files and folders, each owned by its maker: what lies there
// is the program's only when its owner is SYSTEM, Administrators or the
// current user and nobody else may change it. Each call here stands for a
// few advapi32 calls (a security descriptor read or made and applied), not
// one Windows function.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

// The protected access list of the program's folder: SYSTEM, Administrators
// and the current user full control, Users read and execute; files and
// folders made in it inherit it, and nothing flows in from above.
// Creates the folder (its last level) with that list; FALSE when it exists.
BOOL CreateProtectedDirectoryA(const char* lpPathName);
// Gives an existing folder that list, and with it everything inside that
// inherits; only its owner (or whoever may change its rights) can. A link at
// the path is given the list itself: what it leads to is never changed.
BOOL ProtectDirectoryA(const char* lpPathName);

// Takes an existing folder for the machine, for an installation every user
// runs and only administrators change: owner Administrators (no person's
// account); SYSTEM and Administrators full control, Users read and execute;
// protected, and passed to everything inside that inherits. On the object
// at the path itself (a link there is changed, never what it leads to);
// only an elevated administrator or SYSTEM can.
BOOL TakeOverDirectoryA(const char* lpPathName);

// Whether this process may change what every user of the machine runs: its
// token holds the Administrators group (an elevated administrator; UAC's
// filtered token holds it for denying only), or it runs as LocalSystem.
BOOL IsMachineAdministrator();

// Who an owner or an entry of an access list names, as far as the program
// tells accounts apart.
enum TRUSTEE_KIND { TRUSTEE_OTHER = 0, TRUSTEE_SYSTEM, TRUSTEE_ADMINISTRATORS, TRUSTEE_CURRENT_USER };

// Entry types (ACE_HEADER::AceType) and flags (AceFlags).
constexpr BYTE ACCESS_ALLOWED_ACE_TYPE = 0x0;
constexpr BYTE ACCESS_DENIED_ACE_TYPE = 0x1;
constexpr BYTE ACCESS_ALLOWED_COMPOUND_ACE_TYPE = 0x4;
constexpr BYTE ACCESS_ALLOWED_OBJECT_ACE_TYPE = 0x5;
constexpr BYTE ACCESS_DENIED_OBJECT_ACE_TYPE = 0x6;
constexpr BYTE ACCESS_ALLOWED_CALLBACK_ACE_TYPE = 0x9;
constexpr BYTE ACCESS_DENIED_CALLBACK_ACE_TYPE = 0xA;
constexpr BYTE ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE = 0xB;
constexpr BYTE ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE = 0xC;
constexpr BYTE OBJECT_INHERIT_ACE = 0x1;
constexpr BYTE CONTAINER_INHERIT_ACE = 0x2;
constexpr BYTE INHERIT_ONLY_ACE = 0x8;
constexpr BYTE INHERITED_ACE = 0x10;

// Rights of an entry's mask.
constexpr DWORD FILE_WRITE_DATA = 0x2;    // on a folder: add a file
// FILE_APPEND_DATA (WinTypes.h), on a folder: add a folder.
constexpr DWORD FILE_DELETE_CHILD = 0x40;
constexpr DWORD DELETE = 0x00010000u;
constexpr DWORD WRITE_OWNER = 0x00080000u;
constexpr DWORD GENERIC_ALL = 0x10000000u;

struct ACCESS_ENTRY {
    BYTE type;
    BYTE flags;
    DWORD mask;
    TRUSTEE_KIND who;  // TRUSTEE_OTHER too when the entry's account cannot be read
};
constexpr DWORD MAX_ACCESS_ENTRIES = 32;

// The owner and access list of an object, as GetSecurityInfo reads them.
struct OBJECT_SECURITY {
    TRUSTEE_KIND owner;
    BOOL hasAccessList;  // FALSE: a null list, which lets everyone do everything
    DWORD entryCount;
    ACCESS_ENTRY entries[MAX_ACCESS_ENTRIES];
};
// From a handle opened with READ_CONTROL: the object itself, whatever has
// happened to its name since. FALSE when it cannot be read, or holds more
// entries than fit.
BOOL GetSecurityInfoOfHandle(HANDLE hFile, OBJECT_SECURITY* security);

}  // namespace plat
