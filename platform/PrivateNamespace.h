// Named objects that only SYSTEM and Administrators can make or open
// (kernel32, Vista and later). A name in "Global\" can be taken first by
// any local user, who could then hold it for ever; a name in a private
// namespace whose boundary is the Administrators group can be made only by
// a process whose token holds that group (an elevated administrator,
// SYSTEM), and the namespace and its objects carry an access list of SYSTEM
// and Administrators alone. The namespace is not a session's: a task in
// session 0 and a window in a user's session reach the same object.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

// Not initially owned. The namespace is made or opened at the first call
// and kept open until the process ends. Null when this process is not an
// elevated administrator or SYSTEM, or the system has no private
// namespaces.
HANDLE CreateAdminMutexA(const char* lpName);

}  // namespace plat
