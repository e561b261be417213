// The simulation's message boxes, scripted and unexpected, and its records of
// the window manager's calls.
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

// The records and the timer firing are test tools; the window manager's
// rules themselves are in tests/contract.
TEST_F(SimUser, RecordsMovesMessagesAndTimersAndFiresLiveTimers) {
    HWND w = sim::CreateWindow(nullptr, 0, {0, 0, 200, 100});
    int ticks = 0;
    sim::SetMessageHandler(w, [&](UINT msg, WPARAM id, LPARAM) -> LRESULT {
        if (msg == WM_TIMER && id == 1) ++ticks;
        return 0;
    });
    ASSERT_TRUE(MoveWindow(w, 10, 10, 300, 50, FALSE));
    ASSERT_EQ(1u, sim::MoveCalls().size());
    EXPECT_EQ(FALSE, sim::MoveCalls()[0].repaint);
    EXPECT_EQ(WM_SIZE, sim::SentMessages().at(0).msg);

    EXPECT_EQ(1u, SetTimer(w, 1, 20000));
    EXPECT_EQ(std::set<std::uintptr_t>{1}, sim::LiveTimers(w));
    EXPECT_TRUE(sim::FireTimer(w, 1));
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_FALSE(sim::FireTimer(w, 1));
    EXPECT_EQ(1, ticks);
    ASSERT_EQ(2u, sim::TimerCalls().size());
    EXPECT_EQ(20000u, sim::TimerCalls()[0].elapse);
    sim::InjectFault(sim::Op::SetTimer, 1);
    EXPECT_EQ(0u, SetTimer(w, 1, 20000));
    EXPECT_TRUE(sim::LiveTimers(w).empty());
    EXPECT_EQ(0, SendMessageA(reinterpret_cast<HWND>(0x4242), WM_CLOSE, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"SendMessageA"}, sim::BadHandleCalls());
}

}  // namespace
