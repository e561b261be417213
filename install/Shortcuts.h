// The shortcut offer and the two shortcut writers.
#pragma once
#include "platform/WinTypes.h"

// Asks once (until the marker exists) and writes the marker and five links.
void OfferShortcuts(plat::HWND hWnd, const char* installFolder, const char* exeName);
plat::BOOL CreateShortcut(const char* lpszTarget, const char* lpszLink, const char* lpszArgs);
void CreateDesktopShortcut();
