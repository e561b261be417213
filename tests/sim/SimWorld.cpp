#include "tests/sim/SimWorld.h"
#include "tests/sim/SimInternal.h"

namespace sim {

void Reset() {
    ResetKernel();
    ResetInet();
    ResetShell();
    ResetCrypto();
    ResetRegistry();
    // Once the shell has made its folders.
    detail::ApplyDefaultRights();
}

}  // namespace sim
