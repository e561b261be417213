// "/uninstall" as the program runs it: the removal of install/, with the
// updater's lock handed in.
#pragma once

// The process's exit code (install/Uninstall.h).
int RunUninstallCommand(bool quiet);
