#include "tests/sim/SimWorld.h"

namespace sim {

void Reset() {
    ResetKernel();
    ResetInet();
    ResetShell();
    ResetCrypto();
    ResetRegistry();
}

}  // namespace sim
