// The application object: prepares the framework for dialogs holding
// ActiveX controls, runs the main window modally and ends with it.
#pragma once
#include "platform/win32/afx/Afx.h"

class CAutoUpdater;

class CShellApp : public CWinApp {
public:
    CShellApp();
    ~CShellApp() override = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CShellApp theApp;
extern CAutoUpdater theUpdater;
