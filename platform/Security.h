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
// inherits; only its owner (or whoever may change its rights) can.
BOOL ProtectDirectoryA(const char* lpPathName);

enum PATH_OWNER { OWNER_OTHER = 0, OWNER_SYSTEM, OWNER_ADMINISTRATORS, OWNER_CURRENT_USER };

struct PATH_SECURITY {
    PATH_OWNER owner;
    // An entry lets an account other than SYSTEM, Administrators and the
    // current user write, add, delete or change rights there (Users and
    // Everyone count as others).
    BOOL othersMayChange;
};
// FALSE when the file or folder does not exist or its security cannot be read.
BOOL GetPathSecurityA(const char* lpPathName, PATH_SECURITY* security);

}  // namespace plat
