// ActiveX control containment: a site per control (a child window of the
// container that carries the control's id, style and rectangle, plus the
// COM site objects the control talks to) and the container that owns the
// sites of one window and routes their events to its event sink map.
#pragma once
#include "base/Array.h"
#include "base/ComPtr.h"
#include "afx/ComObject.h"
#include "afx/Wnd.h"

#include <ocidl.h>
#include <ole2.h>
#include <servprov.h>

namespace afx {

class ControlContainer;

// What to create: one control, its window and its stored state.
struct ControlRequest {
    CLSID clsid{};
    const char* windowName = nullptr;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    RECT rect{};        // pixels, in the container's client coordinates
    UINT id = 0;
    HWND insertAfter = HWND_BOTTOM;  // z-order place among the siblings
    bool createControl = true;       // false: the site window alone
    WORD stateMessage = 0;       // kOccLoadFromStream and the like, 0 = none
    const BYTE* state = nullptr;
    std::size_t stateSize = 0;
};

class ControlSite final : public ComObject<ControlSite, IOleClientSite, IOleInPlaceSiteEx, IOleControlSite,
                                           IDispatch, IServiceProvider> {
public:
    ControlSite(ControlContainer* container, HWND hWnd, UINT id);

    // Creates, loads, activates and connects the control; false (and
    // nothing left behind) on any failure.
    bool CreateControl(const ControlRequest& request);
    // Unadvises, deactivates, closes and releases the control. Idempotent.
    void Close();

    HWND Hwnd() const { return m_hWnd; }
    UINT Id() const { return m_id; }
    bool HasControl() const { return static_cast<bool>(m_obj); }
    IUnknown* Unknown() const { return m_unk.Get(); }
    IDispatch* Dispatch() const { return m_disp.Get(); }
    bool EventsConnected() const { return m_cookie != 0; }
    void BindWrapper(CWnd* pWnd) { m_pWndCtrl = pWnd; }
    // The site window's size changed: the control follows.
    void OnSiteResized();
    // Keyboard accelerators for the in-place active control.
    bool TranslateKey(MSG* pMsg);
    void OnSiteWindowDestroyed();

    // IUnknown's QueryInterface: the interfaces below
    void* InterfaceFor(REFIID riid);
    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL) override;
    STDMETHODIMP RequestNewObjectLayout() override;
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE) override;
    STDMETHODIMP OnUIDeactivate(BOOL) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override;
    // IOleInPlaceSiteEx
    STDMETHODIMP OnInPlaceActivateEx(BOOL* pfNoRedraw, DWORD dwFlags) override;
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL fNoRedraw) override;
    STDMETHODIMP RequestUIActivate() override;
    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL) override;
    STDMETHODIMP GetExtendedControl(IDispatch** ppDisp) override;
    STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override;
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override;
    STDMETHODIMP OnFocus(BOOL) override;
    STDMETHODIMP ShowPropertyFrame() override;
    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                        EXCEPINFO*, UINT*) override;
    // IServiceProvider: the control's questions to its host
    STDMETHODIMP QueryService(REFGUID guidService, REFIID riid, void** ppv) override;

private:
    friend ComObject;
    ~ControlSite();
    bool LoadState(const ControlRequest& request);
    void ConnectEvents();
    RECT ClientRect() const;

    ControlContainer* m_container;
    HWND m_hWnd;
    UINT m_id;
    CWnd* m_pWndCtrl = nullptr;
    ComPtr<IUnknown> m_unk;
    ComPtr<IOleObject> m_obj;
    ComPtr<IDispatch> m_disp;
    ComPtr<IOleInPlaceObject> m_inplace;
    ComPtr<IConnectionPoint> m_cp;
    ComPtr<IDispatch> m_sink;
    DWORD m_cookie = 0;
    bool m_closing = false;
};

class ControlContainer {
public:
    explicit ControlContainer(CWnd* owner);
    ~ControlContainer();
    ControlContainer(const ControlContainer&) = delete;
    ControlContainer& operator=(const ControlContainer&) = delete;

    // Creates the site window and, when OLE is available, the control in it.
    // keepPlaceholder: a site window whose control could not be created
    // stays (dialog templates); otherwise it is destroyed and null returned.
    ControlSite* CreateSite(const ControlRequest& request, bool keepPlaceholder);
    ControlSite* FindSite(UINT id) const;
    ControlSite* FindSiteByWindow(HWND hWnd) const;
    // The site whose window is hWnd or one of its ancestors.
    ControlSite* FindSiteContaining(HWND hWnd) const;
    // Closes and releases every control.
    void Teardown();

    CWnd* Owner() const { return m_owner; }
    IOleInPlaceFrame* Frame();  // null when it cannot be made
    void SetActiveObject(IOleInPlaceActiveObject* obj) { m_active = ComPtr<IOleInPlaceActiveObject>::Share(obj); }
    IOleInPlaceActiveObject* ActiveObject() const { return m_active.Get(); }
    // An event from control id, for the owner's event sink map.
    void FireEvent(UINT id, DISPID dispid, DISPPARAMS* params);

private:
    CWnd* m_owner;
    Array<ComPtr<ControlSite>> m_sites;
    ComPtr<IOleInPlaceFrame> m_frame;
    ComPtr<IOleInPlaceActiveObject> m_active;
};

// The site window class (registered on first use).
const char* SiteWindowClass();
// The site of a site window, or null for any other window.
ControlSite* SiteFromWindow(HWND hWnd);

// Finds the default source interface of a control: IProvideClassInfo2,
// else the coclass's [default, source] interface from its type information.
bool FindDefaultSourceIid(IUnknown* control, IID& iid);

}  // namespace afx
