// The simulated window manager and message boxes: geometry in the two
// coordinate systems, z-order, synchronous messages, timers, scripted boxes.
#include "platform/User.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

using namespace plat;

namespace {

class SimUser : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(SimUser, MessageBoxesTakeTheScriptedAnswersInOrder) {
    HWND owner = sim::CreateWindow(nullptr, 0, {0, 0, 100, 100});
    sim::SetActiveWindow(owner);
    sim::QueueAnswer(IDYES);
    sim::QueueAnswer(IDOK);
    EXPECT_EQ(IDYES, MessageBoxA(GetActiveWindow(), "\xB8\xFC\xD0\xC2?", "Veltrano", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDOK, AfxMessageBox("done", MB_OK));
    EXPECT_EQ(0, sim::PendingAnswers());
    const auto boxes = sim::MessageBoxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(owner, boxes[0].owner);
    EXPECT_EQ("\xB8\xFC\xD0\xC2?", boxes[0].text);
    EXPECT_EQ("Veltrano", boxes[0].caption);
    EXPECT_EQ(MB_YESNO | MB_ICONQUESTION, boxes[0].style);
    EXPECT_FALSE(boxes[0].fromAfx);
    // The application's box is captioned with the application's name.
    EXPECT_EQ("tarnquill", boxes[1].caption);
    EXPECT_TRUE(boxes[1].fromAfx);
    sim::SetAppName("other");
    EXPECT_STREQ("other", AfxGetAppName());
    EXPECT_TRUE(sim::UnexpectedMessageBoxes().empty());
}

TEST_F(SimUser, AnUnscriptedMessageBoxFailsTheTestAndIsCancelled) {
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(answer = MessageBoxA(nullptr, "surprise", nullptr, MB_OK), "unexpected message box");
    EXPECT_EQ(IDCANCEL, answer);
    ASSERT_EQ(1u, sim::UnexpectedMessageBoxes().size());
    EXPECT_EQ("surprise", sim::UnexpectedMessageBoxes()[0].text);
    EXPECT_EQ("Error", sim::UnexpectedMessageBoxes()[0].caption);
}

TEST_F(SimUser, ChildGeometryIsRelativeToTheParentsClientArea) {
    HWND dlg = sim::CreateWindow(nullptr, 0, {100, 50, 500, 450}, {4, 30, 4, 4});
    HWND a = sim::CreateWindow(dlg, 1000, {10, 20, 110, 220});
    HWND b = sim::CreateWindow(dlg, 1001, {0, 0, 50, 50});
    RECT r{};
    ASSERT_TRUE(GetClientRect(dlg, &r));
    EXPECT_TRUE(SameRect({0, 0, 392, 366}, r));
    ASSERT_TRUE(GetWindowRect(a, &r));
    EXPECT_TRUE(SameRect({114, 100, 214, 300}, r));
    POINT p{r.left, r.top};
    ASSERT_TRUE(ScreenToClient(dlg, &p));
    EXPECT_EQ(10, p.x);
    EXPECT_EQ(20, p.y);

    EXPECT_EQ(a, GetWindow(dlg, GW_CHILD));
    EXPECT_EQ(b, GetWindow(a, GW_HWNDNEXT));
    EXPECT_EQ(nullptr, GetWindow(b, GW_HWNDNEXT));
    EXPECT_EQ(1001, GetDlgCtrlID(b));
    EXPECT_EQ(b, GetDlgItem(dlg, 1001));
    EXPECT_EQ(nullptr, GetDlgItem(dlg, 7));

    // Moving the dialog carries its children; moving a child is in client terms.
    ASSERT_TRUE(MoveWindow(dlg, 0, 0, 600, 500, TRUE));
    ASSERT_TRUE(GetWindowRect(a, &r));
    EXPECT_TRUE(SameRect({14, 50, 114, 250}, r));
    ASSERT_TRUE(MoveWindow(a, 1, 2, 30, 40, FALSE));
    ASSERT_TRUE(GetWindowRect(a, &r));
    EXPECT_TRUE(SameRect({5, 32, 35, 72}, r));
    const auto moves = sim::MoveCalls();
    ASSERT_EQ(2u, moves.size());
    EXPECT_EQ(a, moves[1].hwnd);
    EXPECT_EQ(FALSE, moves[1].repaint);
}

TEST_F(SimUser, SendMessageIsSynchronousAndResizingSendsWmSize) {
    HWND w = sim::CreateWindow(nullptr, 0, {0, 0, 200, 100});
    std::vector<UINT> seen;
    sim::SetMessageHandler(w, [&](UINT msg, WPARAM, LPARAM lp) -> LRESULT {
        seen.push_back(msg);
        if (msg == WM_SIZE) {
            EXPECT_EQ((50 << 16) | 300, lp);
        }
        return msg == WM_CLOSE ? 7 : 0;
    });
    EXPECT_EQ(7, SendMessageA(w, WM_CLOSE, 0, 0));
    ASSERT_EQ(1u, seen.size());
    MoveWindow(w, 10, 10, 300, 50, TRUE);
    MoveWindow(w, 20, 20, 300, 50, TRUE);  // same size: no WM_SIZE
    EXPECT_EQ((std::vector<UINT>{WM_CLOSE, WM_SIZE}), seen);
    EXPECT_EQ(2u, sim::SentMessages().size());

    // A handler may destroy its window while handling.
    sim::SetMessageHandler(w, [&](UINT, WPARAM, LPARAM) -> LRESULT {
        sim::DestroyWindow(w);
        return 1;
    });
    EXPECT_EQ(1, SendMessageA(w, WM_CLOSE, 0, 0));
    EXPECT_FALSE(sim::IsWindow(w));
    EXPECT_EQ(0, SendMessageA(w, WM_CLOSE, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"SendMessageA"}, sim::BadHandleCalls());
}

TEST_F(SimUser, TimersLiveFromSetToKill) {
    HWND w = sim::CreateWindow(nullptr, 0, {0, 0, 10, 10});
    int ticks = 0;
    sim::SetMessageHandler(w, [&](UINT msg, WPARAM id, LPARAM) -> LRESULT {
        if (msg == WM_TIMER && id == 1) ++ticks;
        return 0;
    });
    EXPECT_EQ(1u, SetTimer(w, 1, 20000));
    EXPECT_EQ(std::set<std::uintptr_t>{1}, sim::LiveTimers(w));
    EXPECT_TRUE(sim::FireTimer(w, 1));
    EXPECT_EQ(1, ticks);
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_FALSE(KillTimer(w, 1));
    EXPECT_FALSE(sim::FireTimer(w, 1));
    EXPECT_EQ(1, ticks);
    const auto calls = sim::TimerCalls();
    ASSERT_EQ(3u, calls.size());
    EXPECT_TRUE(calls[0].set);
    EXPECT_EQ(20000u, calls[0].elapse);
    EXPECT_FALSE(calls[1].set);
    sim::InjectFault(sim::Op::SetTimer, 1);
    EXPECT_EQ(0u, SetTimer(w, 1, 20000));
    EXPECT_TRUE(sim::LiveTimers(w).empty());
}

TEST_F(SimUser, CallsOnUnknownWindowsFailWithoutCrashing) {
    HWND ghost = reinterpret_cast<HWND>(0x4242);
    RECT r{1, 2, 3, 4};
    EXPECT_FALSE(GetClientRect(ghost, &r));
    EXPECT_FALSE(MoveWindow(ghost, 0, 0, 1, 1, TRUE));
    EXPECT_EQ(nullptr, GetWindow(ghost, GW_CHILD));
    EXPECT_EQ(0u, SetTimer(ghost, 1, 10));
    EXPECT_EQ(4u, sim::BadHandleCalls().size());
    EXPECT_TRUE(sim::MoveCalls().empty());
}

}  // namespace
