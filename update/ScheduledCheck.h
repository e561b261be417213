// The main window's timer-driven update check and the restart on close.
#pragma once
#include "platform/WinTypes.h"

class CAutoUpdater;

constexpr unsigned IDT_UPDATE_CHECK = 1;

// Set when the user accepts the restart after a successful update.
extern bool g_bRestartAfterUpdate;

// WM_TIMER of the main window, before its default processing.
void RunScheduledUpdateCheck(CAutoUpdater& updater, plat::HWND hWnd, unsigned nIDEvent);
// WM_CLOSE of the main window, before its default processing. exeName is
// the application's m_pszExeName.
void RelaunchIfRequested(const char* exeName);
