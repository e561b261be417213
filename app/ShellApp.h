// The application object: prepares the framework for dialogs holding
// ActiveX controls, runs the main window modally and ends with it.
#pragma once
#include "afx/Afx.h"

class CShellApp : public CWinApp {
public:
    CShellApp();
    ~CShellApp() override = default;

    BOOL InitInstance() override;
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()

private:
    int m_exitCode = 0;  // "/uninstall" says by it what was removed, "/update /quiet" how it went
};

