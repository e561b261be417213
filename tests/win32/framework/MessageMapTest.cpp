#include "afx/Afx.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kIdBase = 40001;    // handled by the base class's map only
constexpr UINT kIdDerived = 40002; // handled by both maps: the derived row wins
constexpr UINT kIdApp = 40003;     // handled by the application's map only

std::vector<std::string>* g_log = nullptr;
void Log(const std::string& s) {
    if (g_log) g_log->push_back(s);
}

class CBaseWnd : public CWnd {
public:
    void OnBaseCommand() { Log("base:base"); }
    void OnDerivedCommand() { Log("base:derived"); }
    void OnClose() { Log("base:close"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_COMMAND(kIdBase, OnBaseCommand)
    ON_COMMAND(kIdDerived, OnDerivedCommand)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

class CTestWnd : public CBaseWnd {
public:
    HCURSOR m_dragIcon = reinterpret_cast<HCURSOR>(static_cast<INT_PTR>(0x1234));
    std::vector<UINT> m_seenByWindowProc;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        m_seenByWindowProc.push_back(message);
        return CBaseWnd::WindowProc(message, wParam, lParam);
    }
    void OnSysCommand(UINT nID, LPARAM lParam) {
        Log("syscommand " + std::to_string(nID) + " " + std::to_string(lParam));
    }
    void OnSize(UINT nType, int cx, int cy) {
        Log("size " + std::to_string(nType) + " " + std::to_string(cx) + " " + std::to_string(cy));
    }
    void OnTimer(UINT nIDEvent) { Log("timer " + std::to_string(nIDEvent)); }
    HCURSOR OnQueryDragIcon() { return m_dragIcon; }
    void OnDerivedCommand() { Log("derived:derived"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CBaseWnd)
    ON_WM_SYSCOMMAND()
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_WM_QUERYDRAGICON()
    ON_COMMAND(kIdDerived, OnDerivedCommand)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
public:
    void OnAppCommand() { Log("app"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(kIdApp, OnAppCommand)
END_MESSAGE_MAP()

CTestApp theTestApp;

const char* TestClass() {
    static ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TqMapTest";
        return RegisterClassA(&wc);
    }();
    return atom ? "TqMapTest" : nullptr;
}

class MessageMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log = &m_log;
        RECT rc{0, 0, 100, 100};
        ASSERT_TRUE(m_wnd.Create(TestClass(), "map", WS_OVERLAPPEDWINDOW, rc, nullptr, 0));
    }
    void TearDown() override {
        g_log = nullptr;
    }
    std::vector<std::string> m_log;
    CTestWnd m_wnd;
};

TEST_F(MessageMapTest, RowsDecodeTheirArguments) {
    m_wnd.SendMessageA(WM_SYSCOMMAND, 16, 0x00050006);
    m_wnd.SendMessageA(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(640, 480));
    m_wnd.SendMessageA(WM_TIMER, 1, 0);
    LRESULT icon = m_wnd.SendMessageA(WM_QUERYDRAGICON);
    std::vector<std::string> want = {"syscommand 16 327686", "size 2 640 480", "timer 1"};
    EXPECT_EQ(want, m_log);
    EXPECT_EQ(reinterpret_cast<LRESULT>(m_wnd.m_dragIcon), icon);
}

TEST_F(MessageMapTest, CommandsReachTheMostDerivedRowThenTheBaseThenTheApplication) {
    m_wnd.SendMessageA(WM_COMMAND, MAKEWPARAM(kIdDerived, 0), 0);
    m_wnd.SendMessageA(WM_COMMAND, MAKEWPARAM(kIdBase, 0), 0);
    m_wnd.SendMessageA(WM_COMMAND, MAKEWPARAM(kIdApp, 1), 0);  // accelerator
    // A notification other than a click is no command.
    m_wnd.SendMessageA(WM_COMMAND, MAKEWPARAM(kIdBase, EN_CHANGE), 0);
    m_wnd.SendMessageA(WM_CLOSE);
    std::vector<std::string> want = {"derived:derived", "base:base", "app", "base:close"};
    EXPECT_EQ(want, m_log);
    EXPECT_TRUE(IsWindow(m_wnd.m_hWnd)) << "the base OnClose row replaced default processing";
}

TEST_F(MessageMapTest, UnmappedMessagesGetDefaultProcessing) {
    ASSERT_TRUE(SetWindowTextA(m_wnd.m_hWnd, "abcde"));  // WM_SETTEXT through the default procedure
    char buf[16] = {};
    EXPECT_EQ(5, m_wnd.SendMessageA(WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf)));
    EXPECT_STREQ("abcde", buf);
    EXPECT_TRUE(m_log.empty());
    ASSERT_GE(m_wnd.m_seenByWindowProc.size(), 2u);
}

TEST_F(MessageMapTest, DestroyingTheWindowUnbindsTheObject) {
    HWND h = m_wnd.m_hWnd;
    EXPECT_EQ(&m_wnd, CWnd::FromHandlePermanent(h));
    ASSERT_TRUE(m_wnd.DestroyWindow());
    EXPECT_EQ(nullptr, m_wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
}

TEST(TemporaryWrappers, GetDlgItemWrapsChildrenAndReusesTheWrapper) {
    CWnd parent;
    RECT rc{0, 0, 200, 100};
    ASSERT_TRUE(parent.Create(TestClass(), "parent", WS_OVERLAPPEDWINDOW, rc, nullptr, 0));
    HWND child = CreateWindowExA(0, "STATIC", "x", WS_CHILD, 1, 2, 30, 40, parent.m_hWnd,
                                 reinterpret_cast<HMENU>(77), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, child);
    CWnd* w = parent.GetDlgItem(77);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(child, w->m_hWnd);
    EXPECT_EQ(77, w->GetDlgCtrlID());
    EXPECT_EQ(w, parent.GetDlgItem(77));
    EXPECT_EQ(w, parent.GetWindow(GW_CHILD));
    EXPECT_EQ(nullptr, parent.GetDlgItem(78));
    EXPECT_EQ(E_NOINTERFACE, w->InvokeHelper(0x68, DISPATCH_METHOD, VT_EMPTY, nullptr,
                                             reinterpret_cast<const BYTE*>(VTS_BSTR), "about:blank"));
    w->MoveWindow(5, 6, 70, 80);
    RECT r;
    w->GetClientRect(&r);
    EXPECT_EQ(70, r.right);
    EXPECT_EQ(80, r.bottom);
    parent.DestroyWindow();
}

TEST(Application, NamesComeFromTheExecutableFileName) {
    theTestApp.SetCurrentHandles(GetModuleHandleA(nullptr), const_cast<LPSTR>(""), SW_SHOWDEFAULT);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    name = name.substr(0, name.rfind('.'));
    EXPECT_STREQ(name.c_str(), theTestApp.m_pszExeName);
    EXPECT_STREQ(name.c_str(), theTestApp.m_pszAppName);
    EXPECT_STREQ(name.c_str(), plat::AfxGetAppName());
    EXPECT_EQ(&theTestApp, AfxGetApp());
}

TEST(Application, CommandLineTailSkipsTheProgramName) {
    char quoted[] = "\"C:\\Program Files\\t q.exe\"   -a b";
    EXPECT_STREQ("-a b", AfxCommandLineTail(quoted));
    char plain[] = "C:\\t.exe\t x";
    EXPECT_STREQ("x", AfxCommandLineTail(plain));
    char alone[] = "\"C:\\t.exe\"";
    EXPECT_STREQ("", AfxCommandLineTail(alone));
    char unclosed[] = "\"C:\\t.exe";
    EXPECT_STREQ("", AfxCommandLineTail(unclosed));
}

}  // namespace

namespace {

// Answers the first message box with the application's caption from
// another thread, noting its owner and text.
struct BoxAnswerer {
    std::string caption;
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0xdeadbeef));
    char text[64] = {};
    bool found = false;

    static DWORD WINAPI Run(LPVOID p) {
        auto* self = static_cast<BoxAnswerer*>(p);
        for (int i = 0; i < 500 && !self->found; ++i) {
            if (HWND box = FindWindowA("#32770", self->caption.c_str())) {
                self->owner = ::GetWindow(box, GW_OWNER);
                GetDlgItemTextA(box, 0xFFFF, self->text, sizeof(self->text));
                self->found = true;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(10);
        }
        return 0;
    }
    int Answer(const std::function<int()>& show) {
        HANDLE t = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
        int r = show();
        WaitForSingleObject(t, 10000);
        CloseHandle(t);
        return r;
    }
};

TEST(Application, MessageBoxesWithoutCaptionShowTheApplicationNameAndHaveAnOwner) {
    CWnd main;
    RECT rc{0, 0, 200, 100};
    ASSERT_TRUE(main.Create("STATIC", "main", WS_POPUP, rc, nullptr, 0));
    theTestApp.m_pMainWnd = &main;

    BoxAnswerer framework;
    framework.caption = AfxGetAppName();
    EXPECT_EQ(IDOK, framework.Answer([] { return plat::AfxMessageBox("\xD6\xD0\xCE\xC4", MB_OK); }));
    EXPECT_TRUE(framework.found);
    EXPECT_EQ(main.m_hWnd, framework.owner);
    EXPECT_STREQ("\xD6\xD0\xCE\xC4", framework.text);

    BoxAnswerer window;
    window.caption = AfxGetAppName();
    EXPECT_EQ(IDOK, window.Answer([&] { return main.MessageBoxA("WM_DROPFILES"); }));
    EXPECT_TRUE(window.found);
    EXPECT_EQ(main.m_hWnd, window.owner);
    EXPECT_STREQ("WM_DROPFILES", window.text);

    theTestApp.m_pMainWnd = nullptr;
    main.DestroyWindow();
}

}  // namespace
