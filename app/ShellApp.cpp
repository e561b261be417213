// Platform headers come before the framework's (which includes <windows.h>).
#include "update/AutoUpdater.h"
#include "update/QuietUpdate.h"
#include "update/UpdateOutcome.h"
#include "install/CommandLine.h"
#include "base/SupportLog.h"
#include "platform/Kernel.h"

#include "app/ShellApp.h"
#include "app/Uninstall.h"

#include "ui/MainDlg.h"

#include <float.h>

// Both globals live here, so the application object is constructed before
// the update agent and destroyed after it (the agent's session, opened by
// the first update check, closes with it).
CShellApp theApp;
CAutoUpdater theUpdater;

BEGIN_MESSAGE_MAP(CShellApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// No name: the framework takes the executable's file name less extension.
CShellApp::CShellApp() : CWinApp(nullptr) {}

BOOL CShellApp::InitInstance() {
    // The layout's products are meant in double precision.
    _controlfp(_PC_53, _MCW_PC);

    // The removal shows no window: only its question and what it could not remove.
    const ProgramSwitches switches = ParseSwitches(plat::GetCommandLineA());
    // Before anything is decided, so that every decision is logged (the
    // window opens it after its start page's request).
    if (switches.uninstall || switches.install || switches.update) OpenUserSupportLog();
    if (switches.uninstall) {
        m_exitCode = RunUninstallCommand(switches.quiet);
        return FALSE;
    }
    // Nor does the installation a management tool runs; it starts nothing.
    if (switches.install) {
        m_exitCode = RunQuietInstallCommand();
        return FALSE;
    }
    // Nor does the update a scheduled task runs; it restarts nobody.
    if (switches.update) {
        m_exitCode = RunQuietUpdate(theUpdater);
        return FALSE;
    }

    AfxEnableControlContainer(nullptr);
    Enable3dControls();

    CMainDlg dlg(theUpdater);
    m_pMainWnd = &dlg;
    dlg.DoModal();  // however it ends, the program ends with it
    // Nothing may reach the dialog object once it is gone.
    m_pMainWnd = nullptr;
    // Invisible now: after an accepted restart, the new version must show
    // it runs, or this copy puts the previous one back.
    AwaitRelaunched();

    // No message loop of the application's own.
    return FALSE;
}

int CShellApp::ExitInstance() { return m_exitCode; }
