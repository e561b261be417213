// Workers and mutexes as the background update uses them: a worker's result
// comes back as a message posted to the window's thread; a named mutex keeps
// a second holder out until it is released. (A server that never answers:
// see the simulation's own rules.)
#include "platform/Kernel.h"
#include "platform/Threads.h"
#include "platform/User.h"
#include "tests/contract/ContractWorld.h"

using namespace plat;

namespace contract {
namespace {

constexpr UINT kDone = WM_APP + 7;

struct Post {
    HWND window;
};

void PostDone(void* arg) { PostMessageA(static_cast<Post*>(arg)->window, kDone, 42, 0); }

using Background = WorldTest;

TEST_F(Background, AWorkersPostedMessageReachesTheWindow) {
    HWND window = CreateFramedWindow({0, 0, 200, 200});
    WPARAM got = 0;
    HandleMessages(window, [&](UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg == kDone) got = wp;
        return std::nullopt;
    });
    Post post{window};
    ASSERT_TRUE(StartWorker(PostDone, &post));
    EXPECT_TRUE(PumpUntil([&] { return got == 42; }));
}

const char kMutex[] = "Local\\tq-contract-update-lock";

struct SecondHolder {
    DWORD waited = WAIT_FAILED;
    bool done = false;
};

// Another thread stands for another copy of the program.
void TryToHold(void* arg) {
    auto* second = static_cast<SecondHolder*>(arg);
    HANDLE mutex = CreateMutexA(kMutex);
    second->waited = WaitForSingleObject(mutex, 0);
    if (second->waited == WAIT_OBJECT_0) ReleaseMutex(mutex);
    CloseHandle(mutex);
    second->done = true;
}

DWORD SecondTry() {
    SecondHolder second;
    EXPECT_TRUE(StartWorker(TryToHold, &second));
    EXPECT_TRUE(PumpUntil([&] { return second.done; }));
    return second.waited;
}

TEST_F(Background, ANamedMutexKeepsASecondHolderOutUntilReleased) {
    HANDLE mutex = CreateMutexA(kMutex);
    ASSERT_NE(nullptr, mutex);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));
    EXPECT_EQ(WAIT_TIMEOUT, SecondTry());
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WAIT_OBJECT_0, SecondTry());
    EXPECT_TRUE(CloseHandle(mutex));
}

// The sign of life of a restarted program: an event made before the start,
// set through a second handle opened by name.
TEST_F(Background, ANamedEventIsSetThroughAHandleOpenedByName) {
    const char name[] = "Local\\tq-contract-alive";
    EXPECT_EQ(OpenEventA(name), nullptr) << "no event before it is made";
    HANDLE made = CreateEventA(name);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(1, &made, 0), WAIT_TIMEOUT) << "not signalled at first";
    HANDLE opened = OpenEventA(name);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(SetEvent(opened));
    EXPECT_TRUE(CloseHandle(opened));
    EXPECT_EQ(WaitForMultipleObjects(1, &made, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(1, &made, 0), WAIT_OBJECT_0) << "manual reset: it stays set";
    EXPECT_TRUE(CloseHandle(made));
    EXPECT_EQ(OpenEventA(name), nullptr) << "gone with its last handle";
}

TEST(Clock, TheSystemTimeIsADateAndATimeOfDay) {
    SYSTEMTIME t{};
    GetSystemTime(&t);
    EXPECT_GE(t.wYear, 2026);
    EXPECT_TRUE(t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 && t.wDay <= 31 && t.wDayOfWeek <= 6);
    EXPECT_TRUE(t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000);
}

}  // namespace
}  // namespace contract
