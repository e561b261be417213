// The program's copies running from the install folder, found by the path
// of their image: whatever a copy's window shows, it holds a file the
// removal must delete.
#pragma once
#include "platform/WinTypes.h"

// Asks every running copy whose image lies in installFolder to close, as a
// user closing its windows would (WM_CLOSE to each visible top-level window),
// and waits at most waitMs in all for them to end. True when none runs.
bool CloseRunningCopies(const char* installFolder, plat::DWORD waitMs);
