#include "afx/Wnd.h"

#include "afx/Dispatch.h"
#include "afx/ControlContainment.h"
#include "afx/WinApp.h"

#include "base/Array.h"

#include <new>

namespace {

struct WindowEntry {
    HWND hWnd;
    CWnd* wnd;
};

// A window's wrapper, by handle. A program has a few dozen windows at most,
// so a plain array searched from the start is all it needs.
class WindowMap {
public:
    CWnd* Find(HWND hWnd) const {
        for (const WindowEntry& e : m_entries)
            if (e.hWnd == hWnd) return e.wnd;
        return nullptr;
    }
    bool Add(HWND hWnd, CWnd* wnd) { return m_entries.push_back(WindowEntry{hWnd, wnd}); }
    // Takes the entry out (the last one moves into its place).
    void RemoveAt(std::size_t i) {
        m_entries[i] = m_entries.back();
        m_entries.Resize(m_entries.size() - 1);
    }
    std::size_t IndexOf(HWND hWnd) const {
        for (std::size_t i = 0; i < m_entries.size(); ++i)
            if (m_entries[i].hWnd == hWnd) return i;
        return m_entries.size();
    }
    std::size_t Size() const { return m_entries.size(); }
    const WindowEntry& At(std::size_t i) const { return m_entries[i]; }

private:
    Array<WindowEntry> m_entries;
};

// Windows wrapped by a long-lived object (subclassed or attached).
WindowMap& PermanentMap() {
    static WindowMap map;
    return map;
}

// Wrappers made on demand for windows nobody wraps (owned here); swept once
// their window is gone, the rest freed at exit.
class TemporaryWindows : public WindowMap {
public:
    TemporaryWindows() = default;
    TemporaryWindows(const TemporaryWindows&) = delete;
    TemporaryWindows& operator=(const TemporaryWindows&) = delete;
    ~TemporaryWindows() {
        for (std::size_t i = 0; i < Size(); ++i) {
            At(i).wnd->m_hWnd = nullptr;  // a wrapper only: the window is not its to touch
            delete At(i).wnd;
        }
    }
};

WindowMap& TemporaryMap() {
    static TemporaryWindows map;
    return map;
}

void SweepTemporaries() {
    WindowMap& temps = TemporaryMap();
    for (std::size_t i = 0; i < temps.Size();) {
        if (IsWindow(temps.At(i).hWnd)) {
            ++i;
            continue;
        }
        CWnd* gone = temps.At(i).wnd;
        gone->m_hWnd = nullptr;
        temps.RemoveAt(i);
        delete gone;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_pCtrlCont) m_pCtrlCont->Teardown();
    if (m_hWnd) {
        HWND h = m_hWnd;
        bool owns = m_ownsWindow;
        if (m_pfnSuper) UnsubclassWindow();
        else Detach();
        if (owns && IsWindow(h)) ::DestroyWindow(h);
    }
    if (m_pCtrlSite) m_pCtrlSite->BindWrapper(nullptr);
    delete m_pCtrlCont;
}

BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
    if (!PermanentMap().Add(hWnd, this)) return FALSE;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        WindowMap& map = PermanentMap();
        const std::size_t i = map.IndexOf(h);
        if (i < map.Size() && map.At(i).wnd == this) map.RemoveAt(i);
    }
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd)) return FALSE;
    WNDPROC old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (!old) {
        Detach();
        return FALSE;
    }
    if (old != &AfxWndProc) m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent || !pParent->m_hWnd) return FALSE;
    HWND h = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd && m_pfnSuper &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)) == &AfxWndProc)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd ? PermanentMap().Find(hWnd) : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd)) return p;
    WindowMap& temps = TemporaryMap();
    if (CWnd* p = temps.Find(hWnd)) return p;
    if (temps.Size() >= 64) SweepTemporaries();
    // Without memory for a wrapper the window has none, as for a null handle.
    CWnd* wrapper = new (std::nothrow) CWnd;
    if (!wrapper) return nullptr;
    wrapper->m_hWnd = hWnd;
    if (!temps.Add(hWnd, wrapper)) {
        wrapper->m_hWnd = nullptr;
        delete wrapper;
        return nullptr;
    }
    return wrapper;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&) { return TRUE; }

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext*) {
    CREATESTRUCTA cs{};
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = dwStyle;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID));
    cs.hInstance = GetModuleHandleA(nullptr);
    if (!PreCreateWindow(cs)) return FALSE;
    HWND h = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                             cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (!h) return FALSE;
    if (!SubclassWindow(h)) {
        ::DestroyWindow(h);
        return FALSE;
    }
    m_ownsWindow = true;
    return TRUE;
}

BOOL CWnd::CreateControl(REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                         UINT nID, CFile*, BOOL, BSTR) {
    if (m_hWnd || !pParentWnd || !pParentWnd->m_hWnd) return FALSE;
    afx::ControlRequest request;
    request.clsid = clsid;
    request.windowName = lpszWindowName;
    request.style = dwStyle;
    request.rect = rect;
    request.id = nID;
    afx::ControlContainer* cont = pParentWnd->GetControlContainer(true);
    afx::ControlSite* site = cont ? cont->CreateSite(request, false) : nullptr;
    if (!site) return FALSE;
    if (!SubclassWindow(site->Hwnd())) {
        ::DestroyWindow(site->Hwnd());
        return FALSE;
    }
    m_pCtrlSite = site;
    site->BindWrapper(this);
    m_ownsWindow = true;
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    // Tool tips would look at the message here; there are none.
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return Default();
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(message, wParam, lParam);
    CCmdTarget* target = this;
    if (!e && message == WM_COMMAND) {
        // Commands nobody in the window takes go to the application.
        CWinApp* app = AfxGetApp();
        if (app) {
            e = app->FindMessageEntry(message, wParam, lParam);
            target = app;
        }
    }
    if (!e) return FALSE;
    LRESULT r = e->pfn(target, wParam, lParam);
    if (pResult) *pResult = r;
    return TRUE;
}

LRESULT CWnd::Default() {
    const MSG& m = m_currentMsg;
    if (!m.hwnd) return 0;
    if (m_pfnSuper) return CallWindowProcA(m_pfnSuper, m.hwnd, m.message, m.wParam, m.lParam);
    return DefWindowProcA(m.hwnd, m.message, m.wParam, m.lParam);
}

afx::ControlContainer* CWnd::GetControlContainer(bool create) {
    if (!m_pCtrlCont && create) m_pCtrlCont = new (std::nothrow) afx::ControlContainer(this);
    return m_pCtrlCont;
}

afx::ControlSite* CWnd::GetControlSite() const {
    if (m_pCtrlSite) return m_pCtrlSite;
    return afx::SiteFromWindow(m_hWnd);
}

IUnknown* CWnd::GetControlUnknown() const {
    afx::ControlSite* site = GetControlSite();
    return site ? site->Unknown() : nullptr;
}

HRESULT CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                           ...) {
    afx::ControlSite* site = GetControlSite();
    IDispatch* disp = site ? site->Dispatch() : nullptr;
    if (!disp) return E_NOINTERFACE;
    va_list args;
    va_start(args, pbParamInfo);
    HRESULT hr = afx::InvokeDispatchV(disp, dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
    va_end(args);
    return hr;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd) return DefWindowProcA(hWnd, message, wParam, lParam);
    MSG saved = pWnd->m_currentMsg;
    pWnd->m_currentMsg = MSG{hWnd, message, wParam, lParam, 0, {0, 0}};
    const LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    if (message == WM_DESTROY && pWnd->m_pCtrlCont) pWnd->m_pCtrlCont->Teardown();
    pWnd->m_currentMsg = saved;
    if (message == WM_NCDESTROY) {
        pWnd->UnsubclassWindow();
        pWnd->PostNcDestroy();
    }
    return result;
}
