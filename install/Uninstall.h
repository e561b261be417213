// "/uninstall": removes the installed program, its shortcuts, its files and
// its entry in the list of installed programs, after one question (none
// with "/quiet"), and says what it could not remove. An installation an
// administrator made for every user is removed by an administrator: started
// by anyone else, the removal asks Windows to start it elevated.
#pragma once
#include "platform/WinTypes.h"

// The update lock is the updater's, which the installation does not reach:
// the program hands it in.
class UpdateGate {
public:
    // Keeps every update of the executable at exePath from starting until
    // this process ends; false when that cannot be had within waitMs.
    virtual bool Close(const char* exePath, plat::DWORD waitMs) = 0;

protected:
    ~UpdateGate() = default;
};

// The process's exit code.
constexpr int kUninstallDone = 0;      // everything is gone
constexpr int kUninstallPartly = 1;    // something is left (the box names it)
constexpr int kUninstallStopped = 2;   // a copy or an update did not stop: nothing removed
constexpr int kUninstallDeclined = 3;  // the answer was No: nothing removed
// Installed for every user, and this account is no administrator (or the
// elevation Windows asked for was refused): nothing removed.
constexpr int kUninstallNeedsAdministrator = 4;

int RunUninstall(bool quiet, UpdateGate& updates);
