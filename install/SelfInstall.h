// Self-installation at start and the shortcut offer, run at the end of the
// main window's initialisation.
#pragma once
#include "base/CString.h"
#include "platform/WinTypes.h"

// Fills exeDir/exeName from the command line, installs and relaunches (and
// sends WM_CLOSE to hWnd) or goes on to the shortcut offer. CompareVersions
// decides whether this copy is newer.
void RunSelfInstallStep(plat::HWND hWnd, const CString& ownVersion,
                        char (&exeDir)[256], char (&exeName)[256]);
