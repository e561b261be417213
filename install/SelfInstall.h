// Self-installation at start and the shortcut offer, run at the end of the
// main window's initialisation.
#pragma once
#include "platform/CString.h"
#include "platform/WinTypes.h"

// Fills exeDir/exeName from the command line, installs and relaunches (and
// sends WM_CLOSE to hWnd) or goes on to the shortcut offer.
// Compares versions on the program's update agent.
void RunSelfInstallStep(plat::HWND hWnd, const CString& ownVersion, char (&exeDir)[256],
                        char (&exeName)[256]);

class CAutoUpdater;
// The same step with the update agent whose CompareVersions decides.
void RunSelfInstallStep(plat::HWND hWnd, CAutoUpdater& updater, const CString& ownVersion,
                        char (&exeDir)[256], char (&exeName)[256]);
