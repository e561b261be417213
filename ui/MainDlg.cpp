// Platform headers come before the framework's (which includes <windows.h>).
#include "browser/StartPage.h"
#include "install/SelfInstall.h"
#include "install/Shortcuts.h"
#include "ui/AboutCommand.h"
#include "ui/Layout.h"
#include "base/ModulePath.h"
#include "base/SupportLog.h"
#include "update/AutoUpdater.h"
#include "update/BackgroundUpdate.h"
#include "update/RestartWatch.h"
#include "update/UpdateOutcome.h"

#include "ui/MainDlg.h"

#include "res/resource.h"
#include "ui/AboutDlg.h"

#include <shellapi.h>

#include <new>

namespace {

plat::HWND ToPlat(HWND hWnd) {
    return reinterpret_cast<plat::HWND>(hWnd);
}

}  // namespace

CMainDlg::CMainDlg(CAutoUpdater& updater, CWnd* pParent)
    : CDialog(IDD_MAIN_DIALOG, pParent),
      m_updater(updater),
      m_update(new (std::nothrow) CBackgroundUpdate(updater)) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_SMALLICON);
    m_hIconBig = AfxGetApp()->LoadIcon(IDR_LARGEICON);
}

CMainDlg::~CMainDlg() = default;

INT_PTR CMainDlg::DoModal() {
    return CDialog::DoModal();
}

BOOL CMainDlg::PreCreateWindow(CREATESTRUCTA& cs) {
    return CWnd::PreCreateWindow(cs);
}

void CMainDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_BROWSER, m_browser);
}

BEGIN_MESSAGE_MAP(CMainDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_DROPFILES()
    ON_WM_CANCELMODE()
    ON_WM_TIMER()
    ON_WM_CLOSE()
    ON_WM_SIZE()
    ON_MESSAGE(WM_UPDATE_STEP_DONE, OnUpdateStepDone)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CMainDlg, CDialog)
    ON_EVENT(CMainDlg, IDC_BROWSER, 254, OnVisibleBrowser, VTS_BOOL)
    ON_EVENT(CMainDlg, IDC_BROWSER, 102, OnStatusTextChangeBrowser, VTS_BSTR)
    ON_EVENT(CMainDlg, IDC_BROWSER, 259, OnDocumentCompleteBrowser, VTS_DISPATCH VTS_PVARIANT)
END_EVENTSINK_MAP()

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();  // binds m_browser; the steps below run whatever it says
    // The request first: it goes out while the rest of the window is made,
    // all before the window shows. The version outlives the navigation:
    // self-installation compares it with the installed copy's.
    StartPageInfo page = MakeStartPage();
    if (HasBrowserControl()) m_browser.Navigate(page.address, nullptr, nullptr, nullptr, nullptr);

    AddAboutItem();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIconBig));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    RECT client;
    GetClientRect(&client);
    m_nClientWidth = client.right - client.left;
    m_nClientHeight = client.bottom - client.top;

    // The window exists: a copy that restarted into this file may end now.
    AnnounceRunning(RunningModulePath());
    // After the request, which the log's folder and its check never delay;
    // before the policy and the installation's decisions, and any worker.
    OpenUserSupportLog();
    if (m_update) m_update->Start(ToPlat(m_hWnd));
    // May install, start the installed copy and close this window.
    RunSelfInstallStep(ToPlat(m_hWnd), page.version, m_szExeDir, m_szExeName);
    return TRUE;
}

void CMainDlg::AddAboutItem() {
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu == nullptr) return;
    CString strAboutMenu;
    LoadStringA(strAboutMenu, IDS_ABOUTBOX);
    if (strAboutMenu.IsEmpty()) return;
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
}

// A control that could not be created (not installed, or refused) leaves
// the wrapper without a control; nothing may call into it then.
bool CMainDlg::HasBrowserControl() const {
    return m_browser.m_hWnd != nullptr && m_browser.GetControlUnknown() != nullptr;
}

BOOL CMainDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) {
        // Enter goes to the page, never to the dialog's default button.
        return m_browser.PreTranslateMessage(pMsg);
    }
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;  // never cancels
    return CDialog::PreTranslateMessage(pMsg);
}

LRESULT CMainDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DROPFILES) MessageBox("WM_DROPFILES", nullptr, MB_OK);
    return CDialog::WindowProc(message, wParam, lParam);
}

void CMainDlg::OnSysCommand(UINT nID, LPARAM) {
    if (!IsAboutBoxCommand(nID)) {
        Default();
        return;
    }
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
}

void CMainDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int cxIcon = GetSystemMetrics(SM_CXICON);
    int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    int x = (rect.right - rect.left - cxIcon + 1) / 2;
    int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CMainDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CMainDlg::OnDropFiles(HDROP hDropInfo) {
    Default();
    // The drop's memory is the receiver's to free; default processing does not.
    DragFinish(hDropInfo);
}

void CMainDlg::OnCancelMode() {
    Default();
}

void CMainDlg::OnTimer(UINT nIDEvent) {
    // Without the memory for it, no update runs in this start.
    if (m_update) m_update->OnTimer(ToPlat(m_hWnd), nIDEvent);
    Default();
}

void CMainDlg::OnClose() {
    RelaunchIfRequested(AfxGetApp()->m_pszExeName);
    Default();
}

LRESULT CMainDlg::OnUpdateStepDone(WPARAM, LPARAM) {
    if (m_update) m_update->OnStepDone(ToPlat(m_hWnd));
    return 0;
}

void CMainDlg::OnSize(UINT nType, int, int) {
    Default();
    // Restored and maximised sizes are laid out; minimising keeps everything.
    LayoutAfterSize(ToPlat(m_hWnd), nType, m_nClientWidth, m_nClientHeight);
}

void CMainDlg::ResizeChildren() {
    ::ResizeChildren(ToPlat(m_hWnd), m_nClientWidth, m_nClientHeight);
}

void CMainDlg::OnVisibleBrowser(BOOL) {}

void CMainDlg::OnStatusTextChangeBrowser(LPCSTR) {
    DragAcceptFiles(FALSE);
}

void CMainDlg::OnDocumentCompleteBrowser(LPDISPATCH, VARIANT*) {}

CString CMainDlg::GetInstalledVersion(LPCSTR lpszFileName) {
    return GetInstalledVersionOf(lpszFileName);
}

BOOL CMainDlg::CreateShortcut(LPCSTR lpszTarget, LPCSTR lpszLink, LPCSTR lpszArgs) {
    return ::CreateShortcut(lpszTarget, lpszLink, lpszArgs);
}

void CMainDlg::CreateDesktopShortcut() {
    ::CreateDesktopShortcut();
}
