// Putting the previous version back when an update never started, and
// keeping that update from being offered again.
#pragma once
#include "base/CString.h"

// Moves the update at exePath aside, moves the backup back in its place,
// records the update's version, starts the restored program and tells the
// user. False when nothing could be put back (no backup, or a move
// refused); exePath then holds what it held.
bool UndoUpdate(const CString& exePath);

// True when the manifest announces the version last undone for exePath, or
// an older one: only a newer release is offered again.
bool IsUndoneRelease(const char* exePath, const CString& manifest);
