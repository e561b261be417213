// The program's main window: a modal dialog whose only child, the web
// browser control, covers the client area. Decisions live in portable code
// (layout, start page, self-installation, update check); this class wires
// them to the window's messages and the control's events.
#pragma once
#include "base/CString.h"
#include "afx/Afx.h"

#include "browser/WebBrowser2.h"

#include <memory>

class CAutoUpdater;
class CBackgroundUpdate;

class CMainDlg : public CDialog {
public:
    // The update agent is the program's; the window only uses it.
    explicit CMainDlg(CAutoUpdater& updater, CWnd* pParent = nullptr);
    ~CMainDlg() override;

    INT_PTR DoModal() override;

    // The file version of an installed copy in its four-number form, or empty.
    CString GetInstalledVersion(LPCSTR lpszFileName);
    BOOL CreateShortcut(LPCSTR lpszTarget, LPCSTR lpszLink, LPCSTR lpszArgs);
    void CreateDesktopShortcut();

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDropFiles(HDROP hDropInfo);
    void OnCancelMode();
    void OnTimer(UINT nIDEvent);
    void OnClose();
    LRESULT OnUpdateStepDone(WPARAM wParam, LPARAM lParam);
    void OnSize(UINT nType, int cx, int cy);
    void ResizeChildren();

    void OnVisibleBrowser(BOOL bVisible);
    void OnStatusTextChangeBrowser(LPCSTR lpszText);
    void OnDocumentCompleteBrowser(LPDISPATCH pDisp, VARIANT* URL);

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()

private:
    void AddAboutItem();
    bool HasBrowserControl() const;

    CAutoUpdater& m_updater;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    char m_szExeDir[256] = {};
    char m_szExeName[256] = {};
    CWebBrowser2 m_browser;
    HICON m_hIcon = nullptr;
    HICON m_hIconBig = nullptr;
    // Goes with the window: a transfer still running then ends with the program.
    std::unique_ptr<CBackgroundUpdate> m_update;
};
