// The real WebBrowser control of the system, hosted from a dialog template.
#include "tests/win32/framework/ProbeDialog.h"
#include "tests/win32/framework/TemplateBytes.h"

#include "afx/ControlContainment.h"

#include <gtest/gtest.h>
#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <string>

using tq_test::CProbeDlg;
using tq_test::ItemBytes;

namespace {

constexpr UINT kBrowserId = 1000;

// The browser's persisted state: its extent, the large-icons view and an
// empty shell link, as a dialog resource carries it.
std::vector<std::uint8_t> BrowserState() {
    std::vector<std::uint8_t> s(160, 0);
    auto dword = [&](std::size_t at, std::uint32_t v) { std::memcpy(&s[at], &v, 4); };
    dword(4, 76);
    dword(8, 21325);
    dword(12, 16722);
    dword(40, 76);
    dword(52, 1);
    const std::uint8_t largeIcons[16] = {0xE0, 0xD0, 0x57, 0x00, 0x73, 0x35, 0xCF, 0x11,
                                         0xAE, 0x69, 0x08, 0x00, 0x2B, 0x2E, 0x12, 0x62};
    std::memcpy(&s[56], largeIcons, 16);
    dword(72, 2);
    dword(80, 76);  // shell link header
    const std::uint8_t linkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    std::memcpy(&s[84], linkClsid, 16);
    dword(100, 0x80);
    dword(80 + 60, 1);  // ShowCommand
    return s;
}

class CBrowserDlg : public CProbeDlg {
public:
    using CProbeDlg::CProbeDlg;
    std::vector<DISPID> events;
    std::string beforeNavigateUrl;

protected:
    void OnBeforeNavigate2(LPDISPATCH, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) {
        events.push_back(250);
        CString text;
        if (url && V_VT(url) == VT_BSTR && afx::BstrToAnsi(V_BSTR(url), text)) beforeNavigateUrl = text.c_str();
    }
    void OnNavigateComplete2(LPDISPATCH, VARIANT*) { events.push_back(252); }
    void OnDocumentComplete(LPDISPATCH, VARIANT*) { events.push_back(259); }
    void OnStatusTextChange(LPCSTR) { events.push_back(102); }
    void OnDownloadBegin() { events.push_back(106); }
    void OnCommandStateChange(long, BOOL) { events.push_back(105); }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CBrowserDlg, CProbeDlg)
    ON_EVENT(CBrowserDlg, kBrowserId, 250, OnBeforeNavigate2,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
    ON_EVENT(CBrowserDlg, kBrowserId, 252, OnNavigateComplete2, VTS_DISPATCH VTS_PVARIANT)
    ON_EVENT(CBrowserDlg, kBrowserId, 259, OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
    ON_EVENT(CBrowserDlg, kBrowserId, 102, OnStatusTextChange, VTS_BSTR)
    ON_EVENT(CBrowserDlg, kBrowserId, 106, OnDownloadBegin, VTS_NONE)
    ON_EVENT(CBrowserDlg, kBrowserId, 105, OnCommandStateChange, VTS_I4 VTS_BOOL)
END_EVENTSINK_MAP()

HWND Deepest(HWND h) {
    while (HWND c = ::GetWindow(h, GW_CHILD)) h = c;
    return h;
}

TEST(Containment, WebBrowserIsHostedNavigatesAndFollowsItsWindow) {
    AfxEnableControlContainer(nullptr);
    ItemBytes browser;
    browser.id = kBrowserId;
    browser.className = tq_test::kWebBrowserClass;
    browser.style = 0x50000000;
    browser.cx = 200;
    browser.cy = 120;
    std::vector<std::uint8_t> tmpl =
        tq_test::TemplateWriter(true).Build(0x90000000, u"Veltrano", {browser}, 200, 120);
    std::vector<std::uint8_t> init;
    tq_test::AppendDlgInit(init, kBrowserId, 0x0376, BrowserState());
    init.push_back(0);
    init.push_back(0);

    CBrowserDlg dlg(tmpl, nullptr, init);
    dlg.bindId = kBrowserId;
    RECT expected{0, 0, 200, 120};
    RECT site{};
    HWND item = nullptr;
    HWND inner = nullptr;
    bool hasControl = false;
    HRESULT navigate = E_FAIL;
    RECT innerAfterMove{};
    afx::ControlSite* boundSite = nullptr;
    dlg.onInit = [&](CProbeDlg& d) {
        MapDialogRect(d.m_hWnd, &expected);
        item = ::GetDlgItem(d.m_hWnd, kBrowserId);
        if (!item) return;
        ::GetClientRect(item, &site);
        hasControl = d.m_ctl.GetControlUnknown() != nullptr;
        boundSite = d.m_ctl.m_pCtrlSite;
        inner = ::GetWindow(item, GW_CHILD);
        static const BYTE params[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
        navigate = d.m_ctl.InvokeHelper(0x68, DISPATCH_METHOD, VT_EMPTY, nullptr, params, "about:blank",
                                        static_cast<VARIANT*>(nullptr), static_cast<VARIANT*>(nullptr),
                                        static_cast<VARIANT*>(nullptr), static_cast<VARIANT*>(nullptr));
        // Moving the window moves the control with it, through the wrapper
        // DDX_Control bound and through a temporary one alike.
        d.GetDlgItem(kBrowserId)->MoveWindow(4, 4, 150, 90);
        if (inner) ::GetClientRect(inner, &innerAfterMove);
        PostMessageA(Deepest(item), WM_KEYDOWN, 'A', 0x001E0001);
        d.SetTimer(tq_test::kEndTimer, 1500);  // time for the control's events
    };
    EXPECT_EQ(IDOK, dlg.DoModal());

    ASSERT_NE(nullptr, item);
    EXPECT_EQ(expected.right - expected.left, site.right);
    EXPECT_EQ(expected.bottom - expected.top, site.bottom);
    ASSERT_TRUE(hasControl) << "WebBrowser control not created";
    EXPECT_NE(nullptr, boundSite);
    ASSERT_NE(nullptr, inner) << "the control's own window lives in the item window";
    EXPECT_EQ(S_OK, navigate);
    EXPECT_EQ(150, innerAfterMove.right);
    EXPECT_EQ(90, innerAfterMove.bottom);
    EXPECT_TRUE(dlg.Pretranslated(Deepest(item), WM_KEYDOWN) ||
                std::any_of(dlg.pretranslated.begin(), dlg.pretranslated.end(),
                            [](const MSG& m) { return m.message == WM_KEYDOWN && m.wParam == 'A'; }));
    ASSERT_FALSE(dlg.events.empty()) << "no event of the control reached the event sink map";
    EXPECT_EQ(250, dlg.events.front());
    EXPECT_EQ("about:blank", dlg.beforeNavigateUrl);
    EXPECT_EQ(nullptr, dlg.m_ctl.m_pCtrlSite);
    EXPECT_EQ(nullptr, dlg.m_ctl.m_hWnd);
}

TEST(Containment, CreateControlMakesTheControlInAChildWindow) {
    CWnd parent;
    RECT rc{0, 0, 300, 200};
    ASSERT_TRUE(parent.Create("STATIC", "parent", WS_POPUP | WS_VISIBLE, rc, nullptr, 0));
    CWnd browser;
    CLSID clsid;
    ASSERT_EQ(S_OK, CLSIDFromString(const_cast<LPOLESTR>(L"{8856F961-340A-11D0-A96B-00C04FD705A2}"), &clsid));
    RECT place{10, 20, 110, 70};
    ASSERT_TRUE(browser.CreateControl(clsid, "web", WS_CHILD | WS_VISIBLE, place, &parent, 1234));
    EXPECT_EQ(1234, browser.GetDlgCtrlID());
    EXPECT_EQ(&browser, CWnd::FromHandle(::GetDlgItem(parent.m_hWnd, 1234)));
    EXPECT_NE(nullptr, browser.GetControlUnknown());
    RECT r;
    browser.GetWindowRect(&r);
    EXPECT_EQ(100, r.right - r.left);
    EXPECT_EQ(50, r.bottom - r.top);

    CLSID bogus;
    ASSERT_EQ(S_OK, CLSIDFromString(const_cast<LPOLESTR>(L"{DEADBEEF-0000-4000-8000-00000000BEEF}"), &bogus));
    CWnd none;
    EXPECT_FALSE(none.CreateControl(bogus, "none", WS_CHILD, place, &parent, 1235));
    EXPECT_EQ(nullptr, ::GetDlgItem(parent.m_hWnd, 1235));
    parent.DestroyWindow();
    EXPECT_EQ(nullptr, browser.GetControlUnknown());
}

// The browser control asks its site before it would warn about a page's
// certificate: the site cancels the load and never lets it ask the user.
TEST(Containment, TheSiteRefusesEveryCertificateProblemWithoutAsking) {
    CWnd parent;
    RECT rc{0, 0, 300, 200};
    ASSERT_TRUE(parent.Create("STATIC", "parent", WS_POPUP, rc, nullptr, 0));
    CWnd browser;
    CLSID clsid;
    ASSERT_EQ(S_OK, CLSIDFromString(const_cast<LPOLESTR>(L"{8856F961-340A-11D0-A96B-00C04FD705A2}"), &clsid));
    ASSERT_TRUE(browser.CreateControl(clsid, "web", WS_CHILD | WS_VISIBLE, rc, &parent, 1234));
    ComPtr<IServiceProvider> services;
    ASSERT_EQ(S_OK, browser.m_pCtrlSite->QueryInterface(IID_IServiceProvider, services.PutVoid()));
    ComPtr<IHttpSecurity> security;
    ASSERT_EQ(S_OK, services->QueryService(IID_IHttpSecurity, IID_IHttpSecurity, security.PutVoid()));
    for (DWORD problem : {ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_SEC_CERT_CN_INVALID,
                          ERROR_INTERNET_SEC_CERT_DATE_INVALID, ERROR_INTERNET_SEC_CERT_REV_FAILED,
                          ERROR_INTERNET_SEC_CERT_REVOKED, ERROR_INTERNET_SEC_CERT_ERRORS})
        EXPECT_EQ(E_ABORT, security->OnSecurityProblem(problem)) << problem;
    HWND owner = nullptr;
    EXPECT_EQ(S_OK, security->GetWindow(IID_IHttpSecurity, &owner));
    EXPECT_EQ(parent.m_hWnd, owner);

    void* other = &owner;
    EXPECT_EQ(E_NOINTERFACE, services->QueryService(IID_IOleWindow, IID_IOleWindow, &other));
    EXPECT_EQ(nullptr, other);
    parent.DestroyWindow();
}

}  // namespace
