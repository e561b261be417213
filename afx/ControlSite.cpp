#include "afx/ControlContainment.h"

#include "afx/CertificateRefusal.h"
#include "afx/templates/DlgInit.h"
#include "platform/win32/SystemDll.h"

#include <olectl.h>
#include <urlmon.h>

#include <cstring>
#include <new>

namespace afx {
namespace {

// Routes the control's outgoing events (its default source interface) to
// the container's event sink map.
class EventSink final : public ComObject<EventSink, IDispatch> {
public:
    EventSink(ControlContainer* container, UINT id, const IID& iid) : m_container(container), m_id(id), m_iid(iid) {}

    void Disconnect() { m_container = nullptr; }

    void* InterfaceFor(REFIID riid) {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, m_iid))
            return static_cast<IDispatch*>(this);
        return nullptr;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo) *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** pp) override {
        if (pp) *pp = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        // The handler's own result stays here: the control is told the
        // event was taken.
        if (m_container) m_container->FireEvent(m_id, dispid, params);
        return S_OK;
    }

private:
    friend ComObject;
    ~EventSink() = default;
    ControlContainer* m_container;
    UINT m_id;
    IID m_iid;
};

// The program's one gdi32 call, bound at first use: as an import, gdi32
// would come before ole32 in the import table, with the same effect under
// Wine as advapi32's (platform/win32/Crypto_win.cpp).
int ScreenDpi(HDC screen, int index) {
    static const auto getDeviceCaps =
        plat::win32::SystemFunction<decltype(&::GetDeviceCaps)>("gdi32.dll", "GetDeviceCaps");
    return screen && getDeviceCaps ? getDeviceCaps(screen, index) : 96;
}

SIZEL PixelsToHimetric(int cx, int cy) {
    HDC screen = GetDC(nullptr);
    int dpiX = ScreenDpi(screen, LOGPIXELSX);
    int dpiY = ScreenDpi(screen, LOGPIXELSY);
    if (screen) ReleaseDC(nullptr, screen);
    SIZEL s;
    s.cx = MulDiv(cx, 2540, dpiX ? dpiX : 96);
    s.cy = MulDiv(cy, 2540, dpiY ? dpiY : 96);
    return s;
}

}  // namespace

bool FindDefaultSourceIid(IUnknown* control, IID& iid) {
    if (!control) return false;
    ComPtr<IProvideClassInfo2> info2;
    if (SUCCEEDED(control->QueryInterface(IID_IProvideClassInfo2, info2.PutVoid())) && info2 &&
        SUCCEEDED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &iid)))
        return true;
    ComPtr<IProvideClassInfo> info;
    if (FAILED(control->QueryInterface(IID_IProvideClassInfo, info.PutVoid())) || !info) return false;
    ComPtr<ITypeInfo> coclass;
    if (FAILED(info->GetClassInfo(coclass.Put())) || !coclass) return false;
    TYPEATTR* attr = nullptr;
    if (FAILED(coclass->GetTypeAttr(&attr)) || !attr) return false;
    bool found = false;
    for (UINT i = 0; i < attr->cImplTypes && !found; ++i) {
        INT flags = 0;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
        if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
            continue;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> source;
        if (FAILED(coclass->GetRefTypeOfImplType(i, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, source.Put())))
            continue;
        TYPEATTR* sattr = nullptr;
        if (SUCCEEDED(source->GetTypeAttr(&sattr)) && sattr) {
            iid = sattr->guid;
            found = true;
            source->ReleaseTypeAttr(sattr);
        }
    }
    coclass->ReleaseTypeAttr(attr);
    return found;
}

ControlSite::ControlSite(ControlContainer* container, HWND hWnd, UINT id)
    : m_container(container), m_hWnd(hWnd), m_id(id) {}

ControlSite::~ControlSite() = default;

RECT ControlSite::ClientRect() const {
    RECT rc{0, 0, 0, 0};
    if (m_hWnd) ::GetClientRect(m_hWnd, &rc);
    return rc;
}

bool ControlSite::CreateControl(const ControlRequest& request) {
    if (FAILED(CoCreateInstance(request.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, m_unk.PutVoid())) || !m_unk)
        return false;
    if (FAILED(m_unk->QueryInterface(IID_IOleObject, m_obj.PutVoid())) || !m_obj) {
        m_unk.Reset();
        return false;
    }
    DWORD misc = 0;
    m_obj->GetMiscStatus(DVASPECT_CONTENT, &misc);
    bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) m_obj->SetClientSite(this);
    if (!LoadState(request)) {
        Close();
        return false;
    }
    if (!siteFirst) m_obj->SetClientSite(this);
    m_obj->SetHostNames(L"Container", nullptr);

    RECT rc = ClientRect();
    SIZEL extent = PixelsToHimetric(rc.right - rc.left, rc.bottom - rc.top);
    m_obj->SetExtent(DVASPECT_CONTENT, &extent);
    m_unk->QueryInterface(IID_IDispatch, m_disp.PutVoid());
    ConnectEvents();
    if (FAILED(m_obj->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_hWnd, &rc))) {
        Close();
        return false;
    }
    if (request.style & WS_VISIBLE) m_obj->DoVerb(OLEIVERB_SHOW, nullptr, this, 0, m_hWnd, &rc);
    OnSiteResized();
    return true;
}

bool ControlSite::LoadState(const ControlRequest& request) {
    ComPtr<IPersistStreamInit> persist;
    m_unk->QueryInterface(IID_IPersistStreamInit, persist.PutVoid());
    if (!persist) return true;  // nothing to load into; the control starts as it is
    bool fromStream = (request.stateMessage == kOccLoadFromStream || request.stateMessage == kOccLoadFromStreamEx) &&
                      request.state && request.stateSize > 0;
    if (fromStream) {
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, request.stateSize);
        if (mem) {
            if (void* p = GlobalLock(mem)) {
                std::memcpy(p, request.state, request.stateSize);
                GlobalUnlock(mem);
            }
            ComPtr<IStream> stream;
            if (SUCCEEDED(CreateStreamOnHGlobal(mem, TRUE, stream.Put())) && stream) {
                if (SUCCEEDED(persist->Load(stream.Get()))) return true;
            } else {
                GlobalFree(mem);
            }
        }
    }
    // A state the control refuses still leaves a usable control.
    HRESULT hr = persist->InitNew();
    return SUCCEEDED(hr) || fromStream;
}

void ControlSite::ConnectEvents() {
    IID iid;
    if (!FindDefaultSourceIid(m_unk.Get(), iid)) return;
    ComPtr<IConnectionPointContainer> cpc;
    if (FAILED(m_unk->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid())) || !cpc) return;
    if (FAILED(cpc->FindConnectionPoint(iid, m_cp.Put())) || !m_cp) return;
    m_sink.Reset(new (std::nothrow) EventSink(m_container, m_id, iid));
    if (!m_sink || FAILED(m_cp->Advise(m_sink.Get(), &m_cookie))) {
        m_cookie = 0;
        m_cp.Reset();
        m_sink.Reset();
    }
}

void ControlSite::Close() {
    if (m_closing) return;
    m_closing = true;
    ComPtr<ControlSite> keepAlive = ComPtr<ControlSite>::Share(this);
    if (m_cp && m_cookie) m_cp->Unadvise(m_cookie);
    m_cookie = 0;
    m_cp.Reset();
    if (m_sink) static_cast<EventSink*>(m_sink.Get())->Disconnect();
    m_sink.Reset();
    if (m_inplace) m_inplace->InPlaceDeactivate();
    m_inplace.Reset();
    if (m_obj) {
        m_obj->Close(OLECLOSE_NOSAVE);
        m_obj->SetClientSite(nullptr);
    }
    m_disp.Reset();
    m_obj.Reset();
    m_unk.Reset();
    if (m_pWndCtrl && m_pWndCtrl->m_pCtrlSite == this) m_pWndCtrl->m_pCtrlSite = nullptr;
    m_pWndCtrl = nullptr;
    m_closing = false;
}

void ControlSite::OnSiteWindowDestroyed() {
    Close();
    m_hWnd = nullptr;
}

void ControlSite::OnSiteResized() {
    if (!m_inplace) return;
    RECT rc = ClientRect();
    m_inplace->SetObjectRects(&rc, &rc);
}

bool ControlSite::TranslateKey(MSG* pMsg) {
    if (!m_unk || !pMsg) return false;
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(m_unk->QueryInterface(IID_IOleInPlaceActiveObject, active.PutVoid())) || !active) return false;
    return active->TranslateAccelerator(pMsg) == S_OK;
}

// ----- IUnknown -----

void* ControlSite::InterfaceFor(REFIID riid) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
        return static_cast<IOleClientSite*>(this);
    if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite) ||
        IsEqualIID(riid, IID_IOleInPlaceSiteEx))
        return static_cast<IOleInPlaceSiteEx*>(this);
    if (IsEqualIID(riid, IID_IOleControlSite)) return static_cast<IOleControlSite*>(this);
    if (IsEqualIID(riid, IID_IDispatch)) return static_cast<IDispatch*>(this);
    if (IsEqualIID(riid, IID_IServiceProvider)) return static_cast<IServiceProvider*>(this);
    return nullptr;
}

// ----- IOleClientSite -----

STDMETHODIMP ControlSite::SaveObject() { return E_NOTIMPL; }
STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP ControlSite::GetContainer(IOleContainer** ppContainer) {
    if (ppContainer) *ppContainer = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP ControlSite::ShowObject() { return S_OK; }
STDMETHODIMP ControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// ----- IOleWindow / IOleInPlaceSite(Ex) -----

STDMETHODIMP ControlSite::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = m_hWnd;
    return m_hWnd ? S_OK : E_FAIL;
}
STDMETHODIMP ControlSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::CanInPlaceActivate() { return m_hWnd ? S_OK : S_FALSE; }
STDMETHODIMP ControlSite::OnInPlaceActivate() {
    if (m_unk && !m_inplace) m_unk->QueryInterface(IID_IOleInPlaceObject, m_inplace.PutVoid());
    return S_OK;
}
STDMETHODIMP ControlSite::OnUIActivate() { return S_OK; }
STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                           LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) {
    if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect) return E_POINTER;
    IOleInPlaceFrame* frame = m_container ? m_container->Frame() : nullptr;
    *ppFrame = frame;
    if (frame) frame->AddRef();
    *ppDoc = nullptr;
    *lprcPosRect = ClientRect();
    *lprcClipRect = *lprcPosRect;
    if (lpFrameInfo) {
        lpFrameInfo->fMDIApp = FALSE;
        HWND top = m_hWnd ? GetAncestor(m_hWnd, GA_ROOT) : nullptr;
        lpFrameInfo->hwndFrame = top;
        lpFrameInfo->haccel = nullptr;
        lpFrameInfo->cAccelEntries = 0;
    }
    return S_OK;
}
STDMETHODIMP ControlSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::OnInPlaceDeactivate() {
    m_inplace.Reset();
    return S_OK;
}
STDMETHODIMP ControlSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP ControlSite::DeactivateAndUndo() {
    if (m_inplace) m_inplace->UIDeactivate();
    return S_OK;
}
STDMETHODIMP ControlSite::OnPosRectChange(LPCRECT lprcPosRect) {
    if (m_inplace && lprcPosRect) m_inplace->SetObjectRects(lprcPosRect, lprcPosRect);
    return S_OK;
}
STDMETHODIMP ControlSite::OnInPlaceActivateEx(BOOL* pfNoRedraw, DWORD) {
    if (pfNoRedraw) *pfNoRedraw = FALSE;
    return OnInPlaceActivate();
}
STDMETHODIMP ControlSite::OnInPlaceDeactivateEx(BOOL) { return OnInPlaceDeactivate(); }
STDMETHODIMP ControlSite::RequestUIActivate() { return S_OK; }

// ----- IOleControlSite -----

STDMETHODIMP ControlSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP ControlSite::LockInPlaceActive(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::GetExtendedControl(IDispatch** ppDisp) {
    if (ppDisp) *ppDisp = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP ControlSite::TransformCoords(POINTL*, POINTF*, DWORD) { return E_NOTIMPL; }
STDMETHODIMP ControlSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
STDMETHODIMP ControlSite::OnFocus(BOOL) { return S_OK; }
STDMETHODIMP ControlSite::ShowPropertyFrame() { return E_NOTIMPL; }

// ----- IDispatch: ambient properties -----

STDMETHODIMP ControlSite::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo) *pctinfo = 0;
    return S_OK;
}
STDMETHODIMP ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP ControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }
STDMETHODIMP ControlSite::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                                 EXCEPINFO*, UINT*) {
    if (!(wFlags & DISPATCH_PROPERTYGET) || !pVarResult) return DISP_E_MEMBERNOTFOUND;
    VariantInit(pVarResult);
    switch (dispIdMember) {
    case DISPID_AMBIENT_USERMODE:
        V_VT(pVarResult) = VT_BOOL;
        V_BOOL(pVarResult) = VARIANT_TRUE;
        return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
    case DISPID_AMBIENT_MESSAGEREFLECT:
        V_VT(pVarResult) = VT_BOOL;
        V_BOOL(pVarResult) = VARIANT_FALSE;
        return S_OK;
    case DISPID_AMBIENT_LOCALEID:
        V_VT(pVarResult) = VT_I4;
        V_I4(pVarResult) = static_cast<LONG>(GetUserDefaultLCID());
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

// ----- IServiceProvider -----

// The browser control asks here about a page's certificate problem before it
// shows its own warning; every other service stays the control's own.
// E_NOINTERFACE is the documented answer for a service the host does not
// know (the headers carry no SVC_E_UNKNOWNSERVICE).
STDMETHODIMP ControlSite::QueryService(REFGUID guidService, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(guidService, IID_IHttpSecurity)) return E_NOINTERFACE;
    return CreateCertificateRefusal(m_hWnd, riid, ppv);
}

}  // namespace afx
