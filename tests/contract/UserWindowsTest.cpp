// The window manager as the layout and the main window use it: geometry in
// client and screen terms, the order of children, synchronous messages,
// WM_SIZE on a change of size, timers; and, for the background update, an
// open box as a visible other window of the thread.
#include "platform/User.h"
#include "tests/contract/ContractWorld.h"

#include <vector>

using namespace plat;

namespace contract {
namespace {

constexpr UINT kProbe = 0x0400 + 7;  // WM_USER + 7: no default handling

RECT WindowRectOf(HWND hwnd) {
    RECT r{};
    EXPECT_TRUE(GetWindowRect(hwnd, &r));
    return r;
}

// A point of the window's top left corner in the parent's client terms.
POINT ClientOrigin(HWND parent, HWND child) {
    const RECT r = WindowRectOf(child);
    POINT p{r.left, r.top};
    EXPECT_TRUE(ScreenToClient(parent, &p));
    return p;
}

using Windows = WorldTest;

TEST_F(Windows, ChildrenSitInTheParentsClientAreaInTheOrderMade) {
    HWND dlg = CreateFramedWindow({100, 50, 500, 450});
    HWND a = CreateChildWindow(dlg, 1000, {10, 20, 110, 220});
    HWND b = CreateChildWindow(dlg, 1001, {0, 0, 50, 50});
    RECT client{};
    ASSERT_TRUE(GetClientRect(dlg, &client));
    EXPECT_EQ(0, client.left);
    EXPECT_EQ(0, client.top);
    EXPECT_GT(400, client.right);  // the frame takes its share
    EXPECT_EQ(10, ClientOrigin(dlg, a).x);
    EXPECT_EQ(20, ClientOrigin(dlg, a).y);
    EXPECT_EQ(a, GetWindow(dlg, GW_CHILD));
    EXPECT_EQ(b, GetWindow(a, GW_HWNDNEXT));
    EXPECT_EQ(nullptr, GetWindow(b, GW_HWNDNEXT));
    EXPECT_EQ(1001, GetDlgCtrlID(b));
    EXPECT_EQ(b, GetDlgItem(dlg, 1001));
    EXPECT_EQ(nullptr, GetDlgItem(dlg, 7));

    // Moving the parent carries its children; a child moves in client terms.
    const RECT before = WindowRectOf(a);
    ASSERT_TRUE(MoveWindow(dlg, 0, 0, 600, 500, TRUE));
    EXPECT_EQ(before.left - 100, WindowRectOf(a).left);
    ASSERT_TRUE(MoveWindow(a, 1, 2, 30, 40, FALSE));
    EXPECT_EQ(1, ClientOrigin(dlg, a).x);
    EXPECT_EQ(2, ClientOrigin(dlg, a).y);
    EXPECT_EQ(30, WindowRectOf(a).right - WindowRectOf(a).left);
}

TEST_F(Windows, MessagesAreSynchronousAndOnlyAChangeOfSizeSendsWmSize) {
    HWND parent = CreateFramedWindow({0, 0, 400, 300});
    HWND w = CreateChildWindow(parent, 1, {0, 0, 200, 100});
    std::vector<LPARAM> sizes;
    HandleMessages(w, [&](UINT msg, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (msg == WM_SIZE) sizes.push_back(lp);
        if (msg == kProbe) return 7;
        return std::nullopt;
    });
    EXPECT_EQ(7, SendMessageA(w, kProbe, 0, 0));
    ASSERT_TRUE(MoveWindow(w, 10, 10, 300, 50, TRUE));
    ASSERT_TRUE(MoveWindow(w, 20, 20, 300, 50, TRUE));  // same size
    EXPECT_EQ(std::vector<LPARAM>{(50 << 16) | 300}, sizes);

    // A window may be destroyed while it handles a message.
    HandleMessages(w, [&](UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != kProbe) return std::nullopt;
        DestroyTestWindow(w);
        return 1;
    });
    EXPECT_EQ(1, SendMessageA(w, kProbe, 0, 0));
    EXPECT_EQ(0, SendMessageA(w, kProbe, 0, 0));
    EXPECT_EQ(nullptr, GetDlgItem(parent, 1));
}

TEST_F(Windows, TimersLiveFromSetToKill) {
    HWND w = CreateFramedWindow({0, 0, 100, 100});
    EXPECT_NE(0u, SetTimer(w, 1, 20000));
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_FALSE(KillTimer(w, 1));
}

TEST_F(Windows, CallsOnAWindowThatIsNoneFail) {
    HWND ghost = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x4242));
    RECT r{1, 2, 3, 4};
    EXPECT_FALSE(GetClientRect(ghost, &r));
    EXPECT_FALSE(MoveWindow(ghost, 0, 0, 1, 1, TRUE));
    EXPECT_EQ(nullptr, GetWindow(ghost, GW_CHILD));
    EXPECT_EQ(0u, SetTimer(ghost, 1, 10));
}

TEST_F(Windows, OnlyAVisibleOtherWindowOfTheThreadIsAnOpenBox) {
    HWND main = CreateFramedWindow({0, 0, 400, 300});
    ShowTestWindow(main, true);
    HWND box = CreateFramedWindow({50, 50, 250, 150});
    EXPECT_EQ(nullptr, FindOtherVisibleThreadWindow(main)) << "a hidden window counted";
    ShowTestWindow(box, true);
    EXPECT_EQ(box, FindOtherVisibleThreadWindow(main));
    DestroyTestWindow(box);
    EXPECT_EQ(nullptr, FindOtherVisibleThreadWindow(main));
}

}  // namespace
}  // namespace contract
