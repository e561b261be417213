// Putting a new image at an executable's path that may be running: a
// running image cannot be overwritten or deleted, only renamed, so the old
// one is moved aside to the backup's name first. The update and the silent
// installation replace an executable so.
#pragma once
#include "base/CString.h"
#include "platform/WinTypes.h"

// Moves exePath to its backup ("OldExecutable.bak", or a name of this
// process's own when that one cannot be deleted) and newFile to exePath,
// with these MoveFileExA flags; neither move ever overwrites a file. On a
// failure the old image is put back: the path is never left empty.
bool SwapInBehindBackup(const CString& exePath, const CString& newFile, plat::DWORD flags);
// The same two moves with the old image moved to `aside` instead, or to
// `ownAside` when what is at `aside` cannot be deleted (then `aside` names
// it): the undo sets a failed update aside so.
bool SwapBehind(const CString& exePath, const CString& newFile, CString& aside, const CString& ownAside,
                plat::DWORD flags);
