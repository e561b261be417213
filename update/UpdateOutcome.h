// How an update check ends for the user: the message of its outcome, the
// restart on close that the success message may ask for, and the wait for
// the restarted version once the window is gone.
#pragma once
#include "update/AutoUpdater.h"

#include "platform/WinTypes.h"

// Set when the user accepts the restart after a successful update.
extern bool g_bRestartAfterUpdate;

// Tells the user how the update ended (success with the restart question,
// or the failure message); the silent results show nothing.
void ShowUpdateOutcome(plat::HWND hWnd, UpdateResult result);
// WM_CLOSE of the main window, before its default processing. exeName is
// the application's m_pszExeName.
void RelaunchIfRequested(const char* exeName);
// Once the main window is gone: when a restart was started, waits for the
// new version's sign of life and puts the previous version back without it.
void AwaitRelaunched();
