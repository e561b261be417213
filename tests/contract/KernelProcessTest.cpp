// The paths the process is handed, code-page conversion and the programs
// it starts.
#include "platform/Kernel.h"
#include "platform/Threads.h"
#include "tests/contract/ContractWorld.h"

#include <cstring>

using namespace plat;

namespace contract {
namespace {

using Paths = WorldTest;

TEST_F(Paths, TempPathEndsInABackslashAndCurrentDirectoryDoesNot) {
    char buf[MAX_PATH] = {};
    const DWORD n = GetTempPathA(MAX_PATH, buf);
    ASSERT_GT(n, 3u);
    ASSERT_LT(n, MAX_PATH);
    EXPECT_EQ('\\', buf[n - 1]) << buf;
    // Too small: the size needed with its terminator.
    EXPECT_EQ(n + 1, GetTempPathA(n, buf));

    const DWORD m = GetCurrentDirectoryA(MAX_PATH, buf);
    ASSERT_GT(m, 2u);
    EXPECT_EQ(':', buf[1]);
    EXPECT_TRUE(m == 3 || buf[m - 1] != '\\') << buf;
    EXPECT_EQ(m + 1, GetCurrentDirectoryA(m, buf));
}

TEST_F(Paths, ModuleFileNameIsTheRunningExecutableAndStartsTheCommandLine) {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(GetModuleHandleA(nullptr), path, MAX_PATH);
    ASSERT_GT(n, 4u);
    EXPECT_STRCASEEQ(".exe", path + n - 4);
    EXPECT_EQ(std::string(":\\"), std::string(path + 1, 2));
    EXPECT_TRUE(FileExists(path));
    std::string command = GetCommandLineA();
    if (!command.empty() && command[0] == '"') command.erase(0, 1);
    EXPECT_EQ(0, command.compare(0, n, path)) << command;

    // Too small: cut to the buffer and the buffer's size returned.
    char small[8];
    EXPECT_EQ(8u, GetModuleFileNameA(nullptr, small, sizeof small));
    EXPECT_EQ(0, std::memcmp(path, small, 7));
    EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(0x1234), small, sizeof small));
}

TEST_F(Paths, GbkTextBecomesTheRightWideText) {
    const char* gbk = "C:\\\xD5\x5C\xD0\xC5\\a.lnk";  // C:\誠信\a.lnk
    const std::u16string expected = u"C:\\\u8AA0\u4FE1\\a.lnk";
    const int size = static_cast<int>(expected.size()) + 1;
    EXPECT_EQ(size, MultiByteToWideChar(CP_ACP, 0, gbk, -1, nullptr, 0));
    WCHAR wide[MAX_PATH];
    EXPECT_EQ(size, MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, gbk, -1, wide, MAX_PATH));
    EXPECT_EQ(expected, std::u16string(wide));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, gbk, -1, wide, size - 1));  // no truncated path
    // A counted input without its terminator converts without one.
    wide[4] = u'#';
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, gbk, 5, wide, MAX_PATH));
    EXPECT_EQ(u'#', wide[4]);
}

using Processes = WorldTest;

TEST_F(Processes, StartOnlyFromAnExistingFile) {
    STARTUPINFOA si{68};
    PROCESS_INFORMATION pi{};
    EXPECT_FALSE(CreateProcessA((Scratch() + "\\missing.exe").c_str(), NORMAL_PRIORITY_CLASS, si, &pi));
    ASSERT_TRUE(CreateProcessA(StartableProgram().c_str(), NORMAL_PRIORITY_CLASS, si, &pi));
    EXPECT_NE(0u, pi.dwProcessId);
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
}

// The restarting copy waits on the process it started: its end, or the
// sign it never gave (the event, listed first, wins when both are set).
TEST_F(Processes, AStartedProcessCanBeWaitedOnBesideAnEvent) {
    STARTUPINFOA si{68};
    PROCESS_INFORMATION pi{};
    HANDLE never = CreateEventA(nullptr);
    ASSERT_NE(never, nullptr);
    ASSERT_TRUE(CreateProcessA(StartableProgram().c_str(), NORMAL_PRIORITY_CLASS, si, &pi));
    HANDLE both[2] = {never, pi.hProcess};
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, both, 20000)) << "the program ends by itself";
    EXPECT_TRUE(SetEvent(never));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, both, 0));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(never));
}

}  // namespace
}  // namespace contract
