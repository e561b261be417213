// The step as the main window calls it: on the program's update agent.
#include "install/SelfInstall.h"
#include "update/AutoUpdater.h"

extern CAutoUpdater theUpdater;

void RunSelfInstallStep(plat::HWND hWnd, const CString& ownVersion, char (&exeDir)[256],
                        char (&exeName)[256]) {
    RunSelfInstallStep(hWnd, theUpdater, ownVersion, exeDir, exeName);
}
