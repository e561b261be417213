// The Administrators' private namespace: one for the machine, whatever the
// session; only a process running as an elevated administrator or SYSTEM
// makes or opens anything in it.
#include "platform/PrivateNamespace.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimSecurity.h"

namespace plat {

HANDLE CreateAdminMutexA(const char* lpName) {
    const sim::Account user = sim::CurrentUser();
    if (user != sim::Account::System && user != sim::Account::Administrators) return nullptr;
    sim::detail::KernelLock lock;
    return sim::detail::NewMutex(std::string("Namespace\\tarnquill\\") + (lpName ? lpName : ""));
}

}  // namespace plat
