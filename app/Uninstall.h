// "/uninstall" and "/install /quiet" as the program runs them: the removal
// and the silent installation of install/, with the updater's lock handed in.
#pragma once

// The process's exit code (install/Uninstall.h).
int RunUninstallCommand(bool quiet);

// "/install /quiet" as the program runs it, with the updater's lock held
// while the installed executable is replaced.
int RunQuietInstallCommand();
