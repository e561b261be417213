// The application object. WinMain lives here, beside the constructor every
// program needs, so linking the framework always brings the entry point.
#include "afx/Afx.h"

#include "afx/OleInit.h"
#include "platform/win32/SystemDll.h"

#include <commctrl.h>

namespace {

CWinApp* g_app = nullptr;
bool g_containerEnabled = false;

CString ModulePath(HMODULE module) {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(module, buf, MAX_PATH);
    return CString(buf, static_cast<int>(n < MAX_PATH ? n : MAX_PATH));
}

// "C:\dir\tarnquill.exe" -> "tarnquill". Path separators are looked for
// with the double-byte rules, so a trail byte 0x5C is never one.
CString BaseNameWithoutExtension(const CString& path) {
    static const char kSeparators[] = {'\\', '/', ':'};
    int nameStart = 0;
    for (char separator : kSeparators) {
        const int at = path.ReverseFind(separator);
        if (at + 1 > nameStart) nameStart = at + 1;
    }
    CString name = path.Mid(nameStart);
    const int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

CString LoadAnsiString(HINSTANCE module, UINT id) {
    const wchar_t* p = nullptr;
    int len = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&p), 0);
    if (len <= 0 || !p) return CString();
    return afx::WideToAnsi(p, len);
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) {
    g_app = this;
    if (lpszAppName) {
        m_appName = lpszAppName;
        m_pszAppName = m_appName.c_str();
    }
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

void CWinApp::SetCurrentHandles(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow) {
    m_hInstance = hInstance ? hInstance : GetModuleHandleA(nullptr);
    m_lpCmdLine = lpCmdLine;
    m_nCmdShow = nCmdShow;
    const CString path = ModulePath(m_hInstance);
    m_exeName = BaseNameWithoutExtension(path);
    m_pszExeName = m_exeName.c_str();
    if (!m_pszAppName) {
        // A title in the string table wins over the file name.
        m_appName = LoadAnsiString(m_hInstance, 0xE000);
        if (m_appName.IsEmpty()) m_appName = m_exeName;
        m_pszAppName = m_appName.c_str();
    }
    const int dot = path.ReverseFind('.');
    const int slash = path.ReverseFind('\\');
    m_helpPath = (dot >= 0 && dot > slash ? path.Left(dot) : path) + ".HLP";
    m_pszHelpFilePath = m_helpPath.c_str();
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        CWnd* target = CWnd::FromHandlePermanent(msg.hwnd);
        if (target && target->PreTranslateMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

HICON CWinApp::LoadIconA(UINT nIDResource) const {
    HINSTANCE module = AfxGetResourceHandle();
    if (!FindResourceA(module, MAKEINTRESOURCEA(nIDResource), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */))
        module = AfxGetInstanceHandle();
    return ::LoadIconA(module, MAKEINTRESOURCEA(nIDResource));
}

BOOL CWinApp::Enable3dControls() {
    // The system draws dialog controls in 3-D by itself. comctl32 is no known
    // DLL: bound from the system folder, never the program's.
    static const auto init =
        plat::win32::SystemFunction<decltype(&::InitCommonControls)>("comctl32.dll", "InitCommonControls");
    if (init) init();
    return TRUE;
}

void CWinApp::OnHelp() {
    if (!m_pszHelpFilePath) SetCurrentHandles(m_hInstance, m_lpCmdLine, m_nCmdShow);
    // Without a help file there is nothing to open, and no error box either.
    if (GetFileAttributesA(m_pszHelpFilePath) == INVALID_FILE_ATTRIBUTES) return;
    HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    WinHelpA(owner, m_pszHelpFilePath, HELP_FINDER, 0);
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() {
    if (g_app && g_app->m_hInstance) return g_app->m_hInstance;
    return GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

LPCSTR AfxGetAppName() {
    if (g_app) {
        if (!g_app->m_pszAppName) g_app->SetCurrentHandles(g_app->m_hInstance, g_app->m_lpCmdLine, g_app->m_nCmdShow);
        return g_app->m_pszAppName;
    }
    static const CString name = BaseNameWithoutExtension(ModulePath(nullptr));
    return name.c_str();
}

void AfxEnableControlContainer(void*) { g_containerEnabled = true; }
bool AfxControlContainerEnabled() { return g_containerEnabled; }

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    HWND owner = nullptr;
    if (g_app && g_app->m_pMainWnd && IsWindow(g_app->m_pMainWnd->m_hWnd))
        owner = GetLastActivePopup(g_app->m_pMainWnd->m_hWnd);
    if (!owner) owner = GetActiveWindow();
    return ::MessageBoxA(owner, lpszText, AfxGetAppName(), nType);
}

BOOL LoadStringA(CString& str, UINT nID) {
    str = LoadAnsiString(AfxGetResourceHandle(), nID);
    return str.IsEmpty() ? FALSE : TRUE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    GetStartupInfoA(&si);
    int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
    return AfxWinMain(hInstance, nullptr, AfxCommandLineTail(GetCommandLineA()), show);
}
