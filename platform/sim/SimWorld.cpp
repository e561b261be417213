#include "platform/sim/SimWorld.h"

namespace sim {

// The internet and shell parts live in their own files; these weak defaults
// let the kernel build and link before (or without) them.
__attribute__((weak)) void ResetInet() {}
__attribute__((weak)) void ResetShell() {}

void Reset() {
    ResetKernel();
    ResetInet();
    ResetShell();
}

}  // namespace sim
