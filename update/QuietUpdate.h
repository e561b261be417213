// "/update /quiet": one update of the executable the program runs from,
// for a scheduled task or a management tool. No window, no question, no
// box, and no running copy is restarted: each gets the new version at its
// next start. The policy's mirror is used, its switch-off is not (the run is
// the administrator's own). The exit code says how it ended; the numbers
// are kept from release to release, since tasks and scripts test them.
#pragma once
#include "update/AutoUpdater.h"

constexpr int kQuietUpdateCurrent = 0;      // updated, or already current
constexpr int kQuietUpdateNetwork = 20;     // no connection, server unreachable or silent, error status, no version
constexpr int kQuietUpdateSignature = 21;   // no signature, or the download is not the maker's newer executable
constexpr int kQuietUpdateTooLarge = 22;    // the download past its bound
constexpr int kQuietUpdateNotAllowed = 23;  // this account may not write the executable or beside it
constexpr int kQuietUpdateLockHeld = 24;    // another copy kept updating past the lock's wait
constexpr int kQuietUpdateUndone = 25;      // the announced version was undone on this PC
constexpr int kQuietUpdateNoVersion = 26;   // the running executable carries no version

int QuietUpdateExitCode(UpdateResult result, UpdateFailure why);

// The process's exit code.
int RunQuietUpdate(CAutoUpdater& updater);
