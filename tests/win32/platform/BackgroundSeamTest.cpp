// The real calls behind the background update: a worker thread whose result
// comes back as a posted message, the open-box test, the session's time-outs.
#include "platform/Threads.h"
#include "platform/User.h"
#include "update/AutoUpdater.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

namespace {

constexpr UINT kDone = WM_APP + 7;

struct PostBack {
    HWND window;
    DWORD workerThread = 0;
};

void PostFromWorker(void* arg) {
    auto* job = static_cast<PostBack*>(arg);
    job->workerThread = GetCurrentThreadId();
    plat::PostMessageA(reinterpret_cast<plat::HWND>(job->window), kDone, 42, 0);
}

HWND Popup(DWORD style) {
    return CreateWindowExA(0, "STATIC", "box", WS_POPUP | style, 0, 0, 50, 50, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(BackgroundSeam, AWorkersMessageReachesTheWindowsThread) {
    HWND window = Popup(0);
    ASSERT_NE(window, nullptr);
    PostBack job{window};
    ASSERT_TRUE(plat::StartWorker(PostFromWorker, &job));
    MSG msg{};
    SetTimer(window, 1, 10000, nullptr);  // a bound on the wait
    while (GetMessageA(&msg, nullptr, 0, 0) && msg.message != kDone && msg.message != WM_TIMER) {
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(msg.message, kDone);
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_NE(job.workerThread, GetCurrentThreadId());
    DestroyWindow(window);
}

TEST(BackgroundSeam, OnlyAVisibleOtherWindowOfTheThreadCountsAsABox) {
    HWND main = Popup(WS_VISIBLE);
    HWND hidden = Popup(0);
    auto found = [&] {
        return reinterpret_cast<HWND>(plat::FindOtherVisibleThreadWindow(reinterpret_cast<plat::HWND>(main)));
    };
    EXPECT_EQ(found(), nullptr);
    HWND box = Popup(WS_VISIBLE);
    EXPECT_EQ(found(), box);
    DestroyWindow(box);
    EXPECT_EQ(found(), nullptr);
    DestroyWindow(hidden);
    DestroyWindow(main);
}

TEST(BackgroundSeam, TheSessionWaitsAtMostThirtySeconds) {
    CAutoUpdater updater;
    ASSERT_NE(updater.m_hSession, nullptr);
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = 0;
        DWORD size = sizeof value;
        ASSERT_TRUE(InternetQueryOptionA(updater.m_hSession, option, &value, &size)) << option;
        EXPECT_EQ(value, 30000u) << option;
    }
}

}  // namespace
