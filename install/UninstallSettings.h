// How long the removal waits for what it must stop first.
#pragma once
#include "platform/WinTypes.h"

// A running copy asked to close gets this long (all of them together) to
// end; one still running then stops the removal. Long enough for a copy to
// close its window and end; short enough that a copy held by an open box of
// its own is told to the user at once.
constexpr plat::DWORD kCopiesCloseWaitMs = 5 * 1000;
// The update lock, once the copies have ended: a copy that ended holding it
// has abandoned it, so it comes at once unless a copy the removal cannot
// see (another user's) is updating.
constexpr plat::DWORD kUpdateLockWaitMs = 5 * 1000;
