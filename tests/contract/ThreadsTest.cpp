// What the background update relies on: a worker's result comes back as a
// message posted to the window's thread; an open box is a visible other
// window of the thread; a named mutex keeps a second holder out until it is
// released; a folder lists the files of a pattern. (A server that never
// answers: see the simulation's own rules.)
#include "platform/FileSearch.h"
#include "platform/Inet.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"
#include "platform/User.h"
#include "tests/contract/ContractWorld.h"

#include <set>
#include <string>

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

TEST_F(Background, OnlyAVisibleOtherWindowOfTheThreadIsAnOpenBox) {
    HWND main = CreateFramedWindow({0, 0, 400, 300});
    ShowTestWindow(main, true);
    HWND box = CreateFramedWindow({50, 50, 250, 150});
    EXPECT_EQ(nullptr, FindOtherVisibleThreadWindow(main)) << "a hidden window counted";
    ShowTestWindow(box, true);
    EXPECT_EQ(box, FindOtherVisibleThreadWindow(main));
    DestroyTestWindow(box);
    EXPECT_EQ(nullptr, FindOtherVisibleThreadWindow(main));
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

TEST_F(Background, AFolderListsTheFilesOfAPattern) {
    for (const char* name : {"a.exe.1.part", "A.EXE.22.part", "a.exe", "b.exe.1.part"}) {
        HANDLE file = CreateFileA((Scratch() + "\\" + name).c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
        CloseHandle(file);
    }
    std::set<std::string> found;
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA((Scratch() + "\\a.exe.*.part").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do found.insert(data.cFileName);
    while (FindNextFileA(search, &data));
    EXPECT_TRUE(FindClose(search));
    EXPECT_EQ((std::set<std::string>{"a.exe.1.part", "A.EXE.22.part"}), found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((Scratch() + "\\none.*").c_str(), &data));
}

}  // namespace
}  // namespace contract
