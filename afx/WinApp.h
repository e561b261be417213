// The application object and the process entry.
#pragma once
#include "afx/Wnd.h"


class CString;

class CWinApp : public CCmdTarget {
public:
    // Becomes the current application object (AfxGetApp). A null name means
    // the executable's file name without extension.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // Runs a message loop until WM_QUIT; returns ExitInstance().
    virtual int Run();
    virtual int ExitInstance();

    // The icon group nID from the module that holds it, at the system's
    // default size; shared, never destroyed.
    HICON LoadIconA(UINT nIDResource) const;
    BOOL Enable3dControls();
    // Standard help command: opens the application's help file if there is
    // one; there is none, so nothing is shown.
    void OnHelp();

    // Fills the names and handles; AfxWinMain calls it before InitInstance.
    void SetCurrentHandles(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow);

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWDEFAULT;
    LPCSTR m_pszAppName = nullptr;
    LPCSTR m_pszExeName = nullptr;
    LPCSTR m_pszHelpFilePath = nullptr;

    DECLARE_MESSAGE_MAP()

private:
    CString m_appName;
    CString m_exeName;
    CString m_helpPath;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The application name: the running executable's file name without its
// extension unless the application object was given one.
LPCSTR AfxGetAppName();

// Lets dialog templates hold ActiveX controls; the argument is ignored.
void AfxEnableControlContainer(void* pOccManager = nullptr);
bool AfxControlContainerEnabled();

// Message box with the application name as caption, owned by the main or
// active window.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Loads string resource nID into str; FALSE (str empty) when it is missing.
// With <windows.h>, LoadString(str, id) reaches this overload.
BOOL LoadStringA(CString& str, UINT nID);

// Initialises the application object, runs InitInstance and, when it
// returns TRUE, Run; otherwise ExitInstance. Returns the exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
// The process entry's arguments: the command line after the program name
// (quoted or not, and the blanks after it) and the show command.
LPSTR AfxCommandLineTail(LPSTR lpCmdLine);
