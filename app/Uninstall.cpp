#include "app/Uninstall.h"

#include "install/QuietInstall.h"
#include "install/Uninstall.h"
#include "update/UpdateLock.h"

namespace {

// Held until the process ends: no copy may start an update of the
// executable being removed, and none can once it is gone.
class HeldUpdateLock final : public UpdateGate {
public:
    bool Close(const char* exePath, plat::DWORD waitMs) override { return m_lock.Acquire(exePath, waitMs); }

private:
    UpdateLock m_lock;
};

}  // namespace

int RunUninstallCommand(bool quiet) {
    HeldUpdateLock lock;
    return RunUninstall(quiet, lock);
}

int RunQuietInstallCommand() {
    HeldUpdateLock lock;
    return RunQuietInstall(lock);
}
