#include "afx/ControlContainment.h"

#include "afx/ComObject.h"
#include "afx/OleInit.h"

#include <new>

namespace afx {
namespace {

constexpr char kSiteClass[] = "TqAfxControlSite";

// The frame the in-place controls see: the container's top-level window,
// with no menus, tool space or status bar to share.
class InPlaceFrame final : public ComObject<InPlaceFrame, IOleInPlaceFrame> {
public:
    explicit InPlaceFrame(ControlContainer* container) : m_container(container) {}
    void Disconnect() { m_container = nullptr; }

    void* InterfaceFor(REFIID riid) {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
            IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame))
            return static_cast<IOleInPlaceFrame*>(this);
        return nullptr;
    }
    STDMETHODIMP GetWindow(HWND* phwnd) override {
        if (!phwnd) return E_POINTER;
        HWND owner = m_container && m_container->Owner() ? m_container->Owner()->m_hWnd : nullptr;
        *phwnd = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
        return *phwnd ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* obj, LPCOLESTR) override {
        if (m_container) m_container->SetActiveObject(obj);
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    friend ComObject;
    ~InPlaceFrame() = default;
    ControlContainer* m_container;
};

LRESULT CALLBACK SiteWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlSite* site = SiteFromWindow(hWnd);
    switch (message) {
    case WM_SIZE:
        if (site) site->OnSiteResized();
        break;
    case WM_SETFOCUS:
        if (HWND child = ::GetWindow(hWnd, GW_CHILD)) ::SetFocus(child);
        return 0;
    case WM_ERASEBKGND:
        if (site && site->HasControl()) return 1;  // the control paints itself
        break;
    case WM_DESTROY:
        if (site) site->OnSiteWindowDestroyed();
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

}  // namespace

const char* SiteWindowClass() {
    static ATOM atom = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = SiteWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kSiteClass;
        return RegisterClassExA(&wc);
    }();
    return atom ? kSiteClass : nullptr;
}

ControlSite* SiteFromWindow(HWND hWnd) {
    if (!hWnd) return nullptr;
    char cls[32] = {};
    if (!GetClassNameA(hWnd, cls, sizeof(cls)) || lstrcmpA(cls, kSiteClass) != 0) return nullptr;
    return reinterpret_cast<ControlSite*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
}

ControlContainer::ControlContainer(CWnd* owner) : m_owner(owner) {}

ControlContainer::~ControlContainer() {
    Teardown();
    if (m_frame) static_cast<InPlaceFrame*>(m_frame.Get())->Disconnect();
}

IOleInPlaceFrame* ControlContainer::Frame() {
    if (!m_frame) m_frame.Reset(new (std::nothrow) InPlaceFrame(this));
    return m_frame.Get();
}

ControlSite* ControlContainer::CreateSite(const ControlRequest& request, bool keepPlaceholder) {
    HWND parent = m_owner ? m_owner->m_hWnd : nullptr;
    const char* cls = SiteWindowClass();
    if (!parent || !cls) return nullptr;
    DWORD style = (request.style | WS_CHILD | WS_CLIPCHILDREN) & ~static_cast<DWORD>(WS_POPUP);
    HWND hWnd = CreateWindowExA(request.exStyle, cls, request.windowName ? request.windowName : "", style, request.rect.left,
                                request.rect.top, request.rect.right - request.rect.left, request.rect.bottom - request.rect.top,
                                parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(request.id)),
                                GetModuleHandleA(nullptr), nullptr);
    if (!hWnd) return nullptr;
    SetWindowPos(hWnd, request.insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    ComPtr<ControlSite> site(new (std::nothrow) ControlSite(this, hWnd, request.id));
    // Room for the site first: a site that cannot be kept is never created.
    if (!site || !m_sites.Reserve(m_sites.size() + 1)) {
        DestroyWindow(hWnd);
        return nullptr;
    }
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(site.Get()));
    bool created = request.createControl && EnsureOleInitialized() && site->CreateControl(request);
    if (!created && !keepPlaceholder) {
        site->Close();
        DestroyWindow(hWnd);
        return nullptr;
    }
    m_sites.push_back(std::move(site));
    return m_sites.back().Get();
}

ControlSite* ControlContainer::FindSite(UINT id) const {
    for (const auto& s : m_sites)
        if (s->Id() == id && s->Hwnd()) return s.Get();
    return nullptr;
}

ControlSite* ControlContainer::FindSiteByWindow(HWND hWnd) const {
    if (!hWnd) return nullptr;
    for (const auto& s : m_sites)
        if (s->Hwnd() == hWnd) return s.Get();
    return nullptr;
}

ControlSite* ControlContainer::FindSiteContaining(HWND hWnd) const {
    for (HWND h = hWnd; h; h = GetParent(h)) {
        if (ControlSite* s = FindSiteByWindow(h)) return s;
        if (m_owner && h == m_owner->m_hWnd) break;
    }
    return nullptr;
}

void ControlContainer::Teardown() {
    m_active.Reset();
    // Sites are released only after all are closed: a control may call back
    // into the container while it closes.
    for (auto& s : m_sites) {
        if (HWND h = s->Hwnd()) SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        s->Close();
    }
    m_sites.clear();
}

void ControlContainer::FireEvent(UINT id, DISPID dispid, DISPPARAMS* params) {
    if (m_owner) m_owner->OnEvent(id, dispid, params);
}

}  // namespace afx
