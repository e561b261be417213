#include "platform/sim/SimWorld.h"

namespace sim {

// The internet and shell parts live in their own files; these weak defaults
// let the kernel build and link before (or without) them.
__attribute__((weak)) void ResetInet() {}
__attribute__((weak)) void ResetShell() {}
__attribute__((weak)) void ResetCrypto() {}

void Reset() {
    ResetKernel();
    ResetInet();
    ResetShell();
    ResetCrypto();
}

}  // namespace sim
