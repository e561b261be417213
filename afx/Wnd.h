// The window wrapper: message-map dispatch, default processing, ActiveX
// control access, and the thin user32 conveniences the program uses.
#pragma once
#include "afx/CmdTarget.h"

class CMenu;
class CWnd;
// Named only in signatures: Create and CreateControl take the slots that
// window wrappers override, and a wrapper that lost them would stop
// overriding silently.
struct CCreateContext;
class CFile;

namespace afx {
class ControlSite;
class ControlContainer;
}  // namespace afx

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    // Set when the window is an ActiveX control's site (DDX_Control or
    // CreateControl); null for plain windows and for a control that could
    // not be created.
    afx::ControlSite* m_pCtrlSite = nullptr;

    operator HWND() const { return m_hWnd; }  // NOLINT(google-explicit-constructor)
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Wrapping without subclassing, and undoing it.
    BOOL Attach(HWND hWnd);
    HWND Detach();
    // Routes the window's messages through this object's WindowProc; Default
    // then goes to the window's previous procedure.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // The object wrapping hWnd: the permanent one, or a temporary wrapper
    // that lives until the window is destroyed. Null for a null handle.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);

    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    // Creates the ActiveX control clsid in a child window of pParentWnd with
    // the id, style and rectangle (pixels); its events go to the parent's
    // event sink map. FALSE when the control cannot be created.
    BOOL CreateControl(REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID, CFile* pPersist = nullptr, BOOL bStorage = FALSE,
                       BSTR bstrLicKey = nullptr);
    virtual BOOL DestroyWindow();

    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    // Called by modal loops before a message is dispatched; TRUE consumes it.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Message-map dispatch: this class's rows, then the bases', else Default.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Finds and runs the row for a message; FALSE when no row takes it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The current message, unchanged, to the window's original procedure.
    LRESULT Default();
    virtual void PostNcDestroy() {}

    // Calls a method or property of the ActiveX control behind this window.
    // pbParamInfo: VTS_ bytes, zero-terminated; the variadic arguments follow
    // them (VTS_BSTR: const char*, VTS_WBSTR: const wchar_t*, VTS_PVARIANT:
    // VARIANT* or null for a missing optional argument, VTS_VARIANT: const
    // VARIANT*, VTS_BOOL: BOOL, VTS_I2/VTS_I4: int/long, VTS_DISPATCH:
    // IDispatch*). vtRet: VT_EMPTY (pvRet ignored), VT_I4 (long*), VT_BOOL
    // (BOOL*), VT_BSTR (CString*), VT_DISPATCH (IDispatch**, AddRef'd),
    // VT_VARIANT (VARIANT*). Returns the HRESULT; never throws; E_NOINTERFACE
    // when there is no control.
    HRESULT InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                         ...);
    IUnknown* GetControlUnknown() const;  // not AddRef'd; null without a control
    // The control site behind this window (bound, or found from the window).
    afx::ControlSite* GetControlSite() const;

    int MessageBoxA(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);
    void DragAcceptFiles(BOOL bAccept = TRUE);
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetWindow(UINT nCmd) const;
    CWnd* GetParent() const;
    void ScreenToClient(RECT* lpRect) const;
    void ScreenToClient(POINT* lpPoint) const;
    void ClientToScreen(RECT* lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(const RECT* lpRect, BOOL bRepaint = TRUE);
    void GetClientRect(RECT* lpRect) const;
    void GetWindowRect(RECT* lpRect) const;
    CMenu* GetSystemMenu(BOOL bRevert) const;
    LRESULT SendMessageA(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessageA(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);
    BOOL IsIconic() const;
    BOOL IsWindowVisible() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    int GetDlgCtrlID() const;
    void SetWindowTextA(LPCSTR lpszString);
    void SetIcon(HICON hIcon, BOOL bBigIcon);
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    // Handlers whose base behaviour is default processing.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDropFiles(HDROP hDropInfo);
    void OnCancelMode();
    void OnTimer(UINT nIDEvent);
    void OnClose();
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);

    // The ActiveX controls this window holds (created on demand).
    afx::ControlContainer* GetControlContainer(bool create);

    DECLARE_MESSAGE_MAP()

protected:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class afx::ControlContainer;
    WNDPROC m_pfnSuper = nullptr;  // the procedure Default hands messages to
    MSG m_currentMsg{};            // the message being handled, for Default
    afx::ControlContainer* m_pCtrlCont = nullptr;  // owned; made on demand
    bool m_ownsWindow = false;  // made by Create/CreateControl: destroyed with the object
};

// The window procedure of subclassed windows.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// BeginPaint/EndPaint for the object's lifetime.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }  // NOLINT(google-explicit-constructor)
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

    HDC m_hDC = nullptr;
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd = nullptr;
};

// A menu handle wrapper. FromHandle objects are shared and never destroy
// the menu.
class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    static CMenu* FromHandle(HMENU hMenu);
    HMENU GetSafeHmenu() const { return m_hMenu; }
    BOOL AppendMenuA(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    UINT GetMenuItemCount() const;

    HMENU m_hMenu = nullptr;
};
