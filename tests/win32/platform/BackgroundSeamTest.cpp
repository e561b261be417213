// The real calls behind the background update: a worker thread whose result
// comes back as a posted message, the open-box test, the update lock across
// threads, the sweep of stale downloads, and the session's time-outs.
#include "platform/FileSearch.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"
#include "platform/User.h"
#include "update/AutoUpdater.h"
#include "update/UpdateLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

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

struct LockTry {
    std::atomic<int> acquired{-1};
};

void TryLockElsewhere(void* arg) {
    UpdateLock lock;
    static_cast<LockTry*>(arg)->acquired = lock.Acquire("C:\\tq-seam\\tarnquill.exe", 0) ? 1 : 0;
}

int TryFromAnotherThread() {
    LockTry attempt;
    EXPECT_TRUE(plat::StartWorker(TryLockElsewhere, &attempt));
    for (int i = 0; i < 500 && attempt.acquired < 0; ++i) Sleep(10);
    return attempt.acquired;
}

TEST(BackgroundSeam, TheUpdateLockKeepsOthersOutUntilReleased) {
    UpdateLock lock;
    ASSERT_TRUE(lock.Acquire("C:\\TQ-SEAM\\TARNQUILL.EXE", 0));
    EXPECT_EQ(TryFromAnotherThread(), 0);
    lock.Release();
    EXPECT_EQ(TryFromAnotherThread(), 1);
}

TEST(BackgroundSeam, StaleDownloadsOfThisExecutableAreRemoved) {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const char* exe = "C:\\tq-seam\\tarnquill.exe";
    const CString stale = DownloadFileName(temp, "tarnquill.exe", exe, 1);
    const CString other = DownloadFileName(temp, "tarnquill.exe", "C:\\elsewhere\\tarnquill.exe", 1);
    for (const CString& path : {stale, other}) {
        HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    RemoveStaleDownloads(temp, "tarnquill.exe", exe);
    EXPECT_EQ(GetFileAttributesA(stale), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(other), INVALID_FILE_ATTRIBUTES) << "another executable's download";
    DeleteFileA(other);
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
