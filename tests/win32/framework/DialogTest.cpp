#include "tests/win32/framework/ProbeDialog.h"
#include "tests/win32/framework/TemplateBytes.h"

#include <gtest/gtest.h>

using tq_test::CProbeDlg;
using tq_test::ItemBytes;
using tq_test::TemplateWriter;

namespace {

constexpr UINT kEditId = 2;
constexpr UINT kPlaceholderId = 1000;

std::vector<std::uint8_t> OkAndEdit(bool extended = false, std::vector<ItemBytes> more = {}) {
    ItemBytes edit;
    edit.id = kEditId;
    edit.classOrdinal = 0x0081;
    edit.style = 0x50810080;  // WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL
    edit.x = 5; edit.y = 5; edit.cx = 100; edit.cy = 12;
    ItemBytes ok;
    ok.id = IDOK;
    ok.classOrdinal = 0x0080;
    ok.title = u"OK";
    ok.x = 5; ok.y = 30; ok.cx = 50; ok.cy = 14;
    std::vector<ItemBytes> items = {edit, ok};
    items.insert(items.end(), more.begin(), more.end());
    return TemplateWriter(extended).Build(0x90000000, u"测试",
                                          items);
}

// A top-level window that is no part of the dialog.
HWND MakeStranger() {
    return CreateWindowExA(0, "STATIC", "stranger", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(ModalLoop, PreTranslatesMessagesForTheDialogAndItsChildrenOnly) {
    CProbeDlg dlg(OkAndEdit());
    HWND stranger = MakeStranger();
    HWND edit = nullptr;
    HWND self = nullptr;
    dlg.onInit = [&](CProbeDlg& d) {
        self = d.m_hWnd;
        edit = ::GetDlgItem(d.m_hWnd, kEditId);
        PostMessageA(edit, WM_APP + 1, 0, 0);
        PostMessageA(stranger, WM_APP + 2, 0, 0);
        PostMessageA(d.m_hWnd, WM_APP + 3, 0, 0);
        PostMessageA(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(dlg.Pretranslated(edit, WM_APP + 1));
    EXPECT_TRUE(dlg.Pretranslated(self, WM_APP + 3));
    EXPECT_FALSE(dlg.Pretranslated(stranger, WM_APP + 2));
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_FALSE(IsWindow(edit)) << "the dialog's windows are destroyed when it ends";
    DestroyWindow(stranger);
}

TEST(ModalLoop, PreTranslateMessageCanConsumeAMessage) {
    struct CConsuming : CProbeDlg {
        using CProbeDlg::CProbeDlg;
        BOOL PreTranslateMessage(MSG* pMsg) override {
            if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;
            return CProbeDlg::PreTranslateMessage(pMsg);
        }
    } dlg(OkAndEdit());
    dlg.onInit = [](CProbeDlg& d) {
        HWND edit = ::GetDlgItem(d.m_hWnd, kEditId);
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);  // swallowed: no cancel
        d.SetTimer(tq_test::kEndTimer, 200);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
}

struct EndingCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool toEdit;
    int expected;
};

class DialogEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(DialogEnding, EndsWithTheRightResult) {
    const EndingCase& c = GetParam();
    CProbeDlg dlg(OkAndEdit(true));
    dlg.onInit = [&](CProbeDlg& d) {
        ::SetFocus(::GetDlgItem(d.m_hWnd, kEditId));
        HWND target = c.toEdit ? ::GetDlgItem(d.m_hWnd, kEditId) : d.m_hWnd;
        PostMessageA(target, c.message, c.wParam, c.message == WM_KEYDOWN ? 0x00010001 : 0);
    };
    EXPECT_EQ(c.expected, dlg.DoModal()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogEnding,
    ::testing::Values(EndingCase{"close", WM_CLOSE, 0, false, IDCANCEL},
                      EndingCase{"cancel command", WM_COMMAND, IDCANCEL, false, IDCANCEL},
                      EndingCase{"escape key", WM_KEYDOWN, VK_ESCAPE, true, IDCANCEL},
                      EndingCase{"enter key", WM_KEYDOWN, VK_RETURN, true, IDOK}),
    [](const ::testing::TestParamInfo<EndingCase>& i) {
        std::string n = i.param.name;
        for (char& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST(ModalLoop, EndDialogDuringInitialisationSkipsTheLoop) {
    CProbeDlg dlg(OkAndEdit());
    dlg.onInit = [](CProbeDlg& d) { d.EndDialog(42); };
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    // The object can run again.
    dlg.onInit = [](CProbeDlg& d) { d.EndDialog(43); };
    EXPECT_EQ(43, dlg.DoModal());
}

TEST(ModalLoop, BrokenTemplateFailsWithMinusOne) {
    std::vector<std::uint8_t> tmpl = OkAndEdit();
    tmpl.resize(tmpl.size() - 6);
    CProbeDlg dlg(tmpl);
    bool initialised = false;
    dlg.onInit = [&](CProbeDlg&) { initialised = true; };
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_FALSE(initialised);
}

TEST(ModalLoop, OwnerIsDisabledWhileTheDialogRunsAndTheDialogIsCentredOnIt) {
    CWnd owner;
    RECT rc{100, 80, 700, 580};
    ASSERT_TRUE(owner.Create("STATIC", "owner", WS_POPUP | WS_VISIBLE, rc, nullptr, 0));
    CProbeDlg dlg(OkAndEdit(), &owner);
    bool disabledDuring = false;
    HWND ownerSeen = nullptr;
    RECT dlgRect{};
    dlg.onInit = [&](CProbeDlg& d) {
        disabledDuring = !IsWindowEnabled(owner.m_hWnd);
        ownerSeen = ::GetWindow(d.m_hWnd, GW_OWNER);
        ::GetWindowRect(d.m_hWnd, &dlgRect);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(disabledDuring);
    EXPECT_EQ(owner.m_hWnd, ownerSeen);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    EXPECT_NEAR(400, (dlgRect.left + dlgRect.right) / 2, 1);
    EXPECT_NEAR(330, (dlgRect.top + dlgRect.bottom) / 2, 1);
    owner.DestroyWindow();
}

TEST(Containment, ControlThatCannotBeCreatedLeavesAWorkingDialog) {
    AfxEnableControlContainer(nullptr);
    ItemBytes bogus;
    bogus.id = kPlaceholderId;
    bogus.className = tq_test::kBogusClass;
    bogus.style = 0x50000000;
    bogus.x = 10; bogus.y = 50; bogus.cx = 120; bogus.cy = 40;
    std::vector<std::uint8_t> init;
    tq_test::AppendDlgInit(init, kPlaceholderId, 0x0376, std::vector<std::uint8_t>(16, 0));
    CProbeDlg dlg(OkAndEdit(true, {bogus}), nullptr, init);
    dlg.bindId = kPlaceholderId;
    RECT expected{10, 50, 130, 90};
    RECT actual{};
    HWND item = nullptr;
    HRESULT invoke = S_OK;
    HWND third = nullptr;
    dlg.onInit = [&](CProbeDlg& d) {
        MapDialogRect(d.m_hWnd, &expected);
        item = ::GetDlgItem(d.m_hWnd, kPlaceholderId);
        if (item) {
            ::GetWindowRect(item, &actual);
            MapWindowPoints(nullptr, d.m_hWnd, reinterpret_cast<POINT*>(&actual), 2);
        }
        // Template order is kept: edit, OK, then the control.
        third = ::GetWindow(::GetWindow(::GetWindow(d.m_hWnd, GW_CHILD), GW_HWNDNEXT), GW_HWNDNEXT);
        invoke = d.m_ctl.InvokeHelper(0x68, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                      reinterpret_cast<const BYTE*>(VTS_BSTR VTS_PVARIANT), "about:blank",
                                      static_cast<VARIANT*>(nullptr));
        d.m_ctl.MoveWindow(0, 0, 33, 22);
        PostMessageA(d.m_hWnd, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(item, third);
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
    EXPECT_TRUE(FAILED(invoke));
    EXPECT_EQ(nullptr, dlg.m_ctl.m_hWnd) << "the wrapper is unbound when the dialog goes";
    EXPECT_EQ(nullptr, dlg.m_ctl.GetControlUnknown());
}

}  // namespace
