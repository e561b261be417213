// "/install /quiet": the installation a management tool runs (Intune,
// Configuration Manager, a Group Policy script, winget), with no window, no
// question and no box; the installed copy is not started. Run by an elevated
// administrator or SYSTEM it installs for every user of the machine;
// otherwise it is this user's installation with the shortcut offer answered
// Yes. The exit codes are kept from release to release: deployment tools
// and scripts test them. They differ from those of "/uninstall" (0-4) and
// "/update /quiet" (20-26), so a log of any of them reads alone.
#pragma once
#include "install/Uninstall.h"

constexpr int kInstallDone = 0;            // the installed copy is in place and current (or a newer one kept)
constexpr int kInstallFolderUnusable = 10; // no folder to install into: not made, not taken over, not the user's
constexpr int kInstallWriteFailed = 11;    // the image could not be written beside the target or put in place
constexpr int kInstallUpdateBusy = 12;     // an update of the installed copy kept going past the lock's wait
constexpr int kInstallNoImage = 13;        // the running file could not be read whole, or carries no version

// The process's exit code. The update lock of the installed executable is
// held while it is replaced.
int RunQuietInstall(UpdateGate& updates);
