#include "tests/win32/framework/ProbeDialog.h"

#include <gtest/gtest.h>

namespace {

TEST(Resources, StringsLoadAsCodePage936AndMissingOnesAreEmpty) {
    CString text("stale");
    EXPECT_TRUE(LoadString(text, 101));
    EXPECT_STREQ("关于 Veltrano(&A)...", text);
    EXPECT_FALSE(LoadString(text, 999));
    EXPECT_TRUE(text.IsEmpty());
}

TEST(Resources, IconsComeFromTheModuleThatHoldsThem) {
    CWinApp* app = AfxGetApp();
    ASSERT_NE(nullptr, app);
    HICON icon = app->LoadIcon(128);
    ASSERT_NE(nullptr, icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), bm.bmWidth) << "loaded at the system's default icon size";
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    EXPECT_EQ(nullptr, app->LoadIcon(999));
}

class CResourceDlg : public CDialog {
public:
    explicit CResourceDlg(UINT id) : CDialog(id) {}
    HWND placeholder = nullptr;
    HWND okButton = nullptr;
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        placeholder = ::GetDlgItem(m_hWnd, 1000);
        okButton = ::GetDlgItem(m_hWnd, IDOK);
        ::PostMessageA(m_hWnd, WM_KEYDOWN, VK_RETURN, 0x001C0001);  // the default button
        SetTimer(tq_test::kWatchdogTimer, 10000);
        return TRUE;
    }
};

TEST(Resources, DialogsComeFromTheTemplateResource) {
    AfxEnableControlContainer(nullptr);
    CResourceDlg dlg(300);
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_NE(nullptr, dlg.placeholder);
    EXPECT_NE(nullptr, dlg.okButton);

    CResourceDlg missing(301);
    EXPECT_EQ(-1, missing.DoModal());
}

}  // namespace
