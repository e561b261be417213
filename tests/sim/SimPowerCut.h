// Power cuts for native tests: the power goes after a chosen number of kernel
// file operations (opening, reading, writing, flushing, closing, moving,
// copying, deleting, creating folders, starting processes), and the machine starts
// again with what its disk kept. SimPowerCut.cpp says what that is.
#pragma once

namespace sim {

// The power goes once this many operations have completed (0: before the
// first). Until the restart the run goes on, but nothing it does after the
// cut reaches the disk.
void PlanPowerCut(int operations);
// Starts the machine again from what the disk held at the cut, or, when the
// run ended before the cut came, cuts now (nothing flushed since is kept).
// True when the cut came during the run: a walk over every cut point stops
// at the first false.
bool RestartAfterPowerCut();

}  // namespace sim
