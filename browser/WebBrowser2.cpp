#include "browser/WebBrowser2.h"

#include "afx/Dispatch.h"
#include "base/ComPtr.h"

#include <exdisp.h>

#include <new>

namespace {

// {8856F961-340A-11D0-A96B-00C04FD705A2}
const CLSID kClsidWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

}  // namespace

// The wrapper adds behaviour only, never state.
static_assert(sizeof(CWebBrowser2) == sizeof(CWnd), "CWebBrowser2 holds no data of its own");

const WndClassRecord CWebBrowser2::classCWebBrowser2 = {"CWebBrowser2", sizeof(CWebBrowser2), 0xFFFF,
                                                        &CWebBrowser2::CreateObject, "CWnd"};

CWnd* CWebBrowser2::CreateObject() {
    return new (std::nothrow) CWebBrowser2;
}

const CLSID& CWebBrowser2::GetClsid() {
    return kClsidWebBrowser;
}

BOOL CWebBrowser2::Create(LPCSTR, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                          UINT nID, CCreateContext*) {
    return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

// Through the control's own interface, not its IDispatch: the control would
// load and keep its whole type library to carry out that one call.
void CWebBrowser2::Navigate(LPCSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                            VARIANT* Headers) {
    IUnknown* control = GetControlUnknown();
    ComPtr<IWebBrowser2> browser;
    if (!control || FAILED(control->QueryInterface(IID_IWebBrowser2, browser.PutVoid())) || !browser) return;
    BSTR url = afx::AnsiToBstr(URL);
    if (!url) return;
    browser->Navigate(url, Flags, TargetFrameName, PostData, Headers);
    SysFreeString(url);
}
