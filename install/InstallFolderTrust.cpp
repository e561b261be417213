#include "install/InstallFolderTrust.h"

#include "platform/Kernel.h"
#include "platform/Security.h"

namespace {

// SYSTEM, Administrators or this user; false when the rights cannot be read.
bool OwnerTrusted(const char* path, plat::PATH_SECURITY& security) {
    return plat::GetPathSecurityA(path, &security) && security.owner != plat::OWNER_OTHER;
}

bool PassesRule(const char* path) {
    plat::PATH_SECURITY security{};
    return OwnerTrusted(path, security) && !security.othersMayChange;
}

}  // namespace

bool UsableInstallFolder(const char* installFolder) {
    // Made here and now, it is ours; made before, it has to show it.
    if (plat::CreateProtectedDirectoryA(installFolder)) return true;
    plat::PATH_SECURITY security{};
    if (!OwnerTrusted(installFolder, security)) return false;
    if (!security.othersMayChange) return true;
    // Open to others with a trusted owner: an older version's folder. Only
    // its owner (or an administrator) can repair it; for anyone else the
    // change fails and the folder stays as it is.
    return plat::ProtectDirectoryA(installFolder) && PassesRule(installFolder);
}

bool UsableInstalledFile(const char* path) { return !plat::FileExists(path) || PassesRule(path); }
