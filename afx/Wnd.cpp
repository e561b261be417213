#include "afx/Wnd.h"

#include "afx/Dispatch.h"
#include "afx/ControlContainment.h"
#include "afx/WinApp.h"

#include <unordered_map>

namespace {

// Windows wrapped by a long-lived object (subclassed or attached).
std::unordered_map<HWND, CWnd*>& PermanentMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// Wrappers made on demand for windows nobody wraps; swept once their
// window is gone.
std::unordered_map<HWND, std::unique_ptr<CWnd>>& TemporaryMap() {
    static std::unordered_map<HWND, std::unique_ptr<CWnd>> map;
    return map;
}

void SweepTemporaries() {
    auto& temps = TemporaryMap();
    for (auto it = temps.begin(); it != temps.end();) {
        if (!IsWindow(it->first)) {
            it->second->m_hWnd = nullptr;
            it = temps.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd() {
    try {
        if (m_pCtrlCont) m_pCtrlCont->Teardown();
        if (m_hWnd) {
            HWND h = m_hWnd;
            bool owns = m_ownsWindow;
            if (m_pfnSuper) UnsubclassWindow();
            else Detach();
            if (owns && IsWindow(h)) ::DestroyWindow(h);
        }
        if (m_pCtrlSite) m_pCtrlSite->BindWrapper(nullptr);
    } catch (...) {
    }
}

BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
    m_hWnd = hWnd;
    PermanentMap()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        auto& map = PermanentMap();
        auto it = map.find(h);
        if (it != map.end() && it->second == this) map.erase(it);
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
    if (!hWnd) return nullptr;
    auto& map = PermanentMap();
    auto it = map.find(hWnd);
    return it == map.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd)) return p;
    auto& temps = TemporaryMap();
    auto it = temps.find(hWnd);
    if (it != temps.end()) return it->second.get();
    if (temps.size() >= 64) SweepTemporaries();
    auto wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = hWnd;
    CWnd* p = wrapper.get();
    temps.emplace(hWnd, std::move(wrapper));
    return p;
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
    afx::ControlSite* site = pParentWnd->GetControlContainer(true)->CreateSite(request, false);
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
    if (!m_pCtrlCont && create) m_pCtrlCont = std::make_unique<afx::ControlContainer>(this);
    return m_pCtrlCont.get();
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
    LRESULT result = 0;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
        if (message == WM_DESTROY && pWnd->m_pCtrlCont) pWnd->m_pCtrlCont->Teardown();
    } catch (...) {
        result = 0;  // nothing may unwind through the window manager
    }
    pWnd->m_currentMsg = saved;
    if (message == WM_NCDESTROY) {
        pWnd->UnsubclassWindow();
        try {
            pWnd->PostNcDestroy();
        } catch (...) {
        }
    }
    return result;
}
