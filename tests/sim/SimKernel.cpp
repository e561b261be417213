// The simulated kernel's fresh-machine reset.
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimThreads.h"

namespace sim {

void ResetKernel() {
    ResetFaults();
    detail::ResetPowerCut();
    detail::ResetAccess();
    detail::ResetFiles();
    detail::ResetSearches();
    detail::ResetPendingMoves();
    detail::ResetProcesses();  // after the files: it creates its folders
    detail::ResetVersionData();
    detail::ResetMessageBoxes();
    detail::ResetWindows();
    detail::ResetOtherPrograms();
    ResetThreads();
}

}  // namespace sim
