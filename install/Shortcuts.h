// The shortcut offer and the two shortcut writers.
#pragma once
#include "platform/WinTypes.h"

// Asks once (until the marker exists) and writes the marker and five links,
// each to the installed program whatever the running file is called (a
// browser saves a second download as "tarnquill (1).exe").
void OfferShortcuts(plat::HWND hWnd, const char* installFolder);
plat::BOOL CreateShortcut(const char* lpszTarget, const char* lpszLink, const char* lpszArgs);
// The desktop link to the install target less ".exe".
void CreateDesktopShortcut(const char* installTarget);
// The same, for the install target in the common application data folder.
void CreateDesktopShortcut();
