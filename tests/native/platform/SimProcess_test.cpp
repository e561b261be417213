// The simulated process: paths handed out the way Windows hands them out,
// processes started, and code-page conversion of GBK paths.
#include "platform/Kernel.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace plat;

namespace {

class SimProcess : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
};

TEST_F(SimProcess, ModuleFileNameTruncatesToTheBufferLikeWindows) {
    sim::SetModulePath("C:\\Users\\user\\Downloads\\tarnquill.exe");  // 37 bytes
    char buf[MAX_PATH];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(37u, GetModuleFileNameA(GetModuleHandleA(nullptr), buf, MAX_PATH));
    EXPECT_STREQ("C:\\Users\\user\\Downloads\\tarnquill.exe", buf);
    EXPECT_EQ(37u, GetModuleFileNameA(nullptr, buf, 38));
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(37u, GetModuleFileNameA(nullptr, buf, 37));  // no room for the terminator
    EXPECT_STREQ("C:\\Users\\user\\Downloads\\tarnquill.ex", buf);
    EXPECT_EQ(0u, GetModuleFileNameA(nullptr, buf, 0));
    EXPECT_EQ(0u, GetModuleFileNameA(reinterpret_cast<HMODULE>(0x1234), buf, MAX_PATH));
    sim::InjectFault(sim::Op::GetModuleFileName, 1);
    EXPECT_EQ(0u, GetModuleFileNameA(nullptr, buf, MAX_PATH));
}

TEST_F(SimProcess, CommandLineFollowsTheModuleUntilSet) {
    sim::SetModulePath("D:\\x\\tarnquill.exe");
    EXPECT_STREQ("\"D:\\x\\tarnquill.exe\"", GetCommandLineA());
    sim::SetCommandLine("D:\\x\\tarnquill.exe /a");
    EXPECT_STREQ("D:\\x\\tarnquill.exe /a", GetCommandLineA());
}

TEST_F(SimProcess, TempAndCurrentDirectoriesAnswerLikeWindows) {
    char buf[MAX_PATH];
    EXPECT_EQ(33u, GetTempPathA(MAX_PATH, buf));
    EXPECT_STREQ("C:\\Users\\user\\AppData\\Local\\Temp\\", buf);
    EXPECT_TRUE(sim::IsFolder(buf));
    // Too small: the size needed with its terminator, buffer untouched.
    std::strcpy(buf, "untouched");
    EXPECT_EQ(34u, GetTempPathA(33, buf));
    EXPECT_STREQ("untouched", buf);
    sim::InjectFault(sim::Op::GetTempPath, 1);
    EXPECT_EQ(0u, GetTempPathA(MAX_PATH, buf));

    sim::SetCurrentDirectory("C:\\");
    EXPECT_EQ(3u, GetCurrentDirectoryA(MAX_PATH, buf));
    EXPECT_STREQ("C:\\", buf);
    EXPECT_EQ(4u, GetCurrentDirectoryA(3, buf));
    sim::InjectFault(sim::Op::GetCurrentDirectory, 1);
    EXPECT_EQ(0u, GetCurrentDirectoryA(MAX_PATH, buf));
}

TEST_F(SimProcess, CreateProcessRecordsStartsOfExistingFilesOnly) {
    STARTUPINFOA si{68};
    PROCESS_INFORMATION pi{};
    EXPECT_FALSE(CreateProcessA("C:\\ProgramData\\Veltrano\\tarnquill.exe", NORMAL_PRIORITY_CLASS, si, &pi));
    EXPECT_TRUE(sim::ProcessStarts().empty());

    ASSERT_TRUE(sim::PutFile("C:\\ProgramData\\Veltrano\\tarnquill.exe", sim::MakeExecutableImage("5.0")));
    ASSERT_TRUE(CreateProcessA("c:\\programdata\\veltrano\\tarnquill.exe", NORMAL_PRIORITY_CLASS, si, &pi));
    const auto starts = sim::ProcessStarts();
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ("c:\\programdata\\veltrano\\tarnquill.exe", starts[0].application);
    EXPECT_EQ(NORMAL_PRIORITY_CLASS, starts[0].creationFlags);
    EXPECT_EQ(68u, starts[0].startupInfoSize);
    // The two returned handles are real and must be closed like any other.
    EXPECT_EQ(2, sim::OpenHandleCount());
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_EQ(0, sim::OpenHandleCount());

    sim::InjectFault(sim::Op::CreateProcess, 1);
    EXPECT_FALSE(CreateProcessA("C:\\ProgramData\\Veltrano\\tarnquill.exe", NORMAL_PRIORITY_CLASS, si, &pi));
    EXPECT_EQ(1u, sim::ProcessStarts().size());
}

TEST_F(SimProcess, MultiByteToWideCharConvertsGbkAndRespectsTheOutputSize) {
    const char* path = "C:\\\xD5\x5C\\a.lnk";  // C:\誠\a.lnk
    const std::u16string expected = u"C:\\\u8AA0\\a.lnk";
    EXPECT_EQ(static_cast<int>(expected.size()) + 1, MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0));
    WCHAR wide[MAX_PATH];
    std::fill(wide, wide + MAX_PATH, u'\xBEEF');
    EXPECT_EQ(11, MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, wide, MAX_PATH));
    EXPECT_EQ(expected, std::u16string(wide));
    // A counted input without its terminator converts without one.
    std::fill(wide, wide + MAX_PATH, u'\xBEEF');
    EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, path, 3, wide, MAX_PATH));
    EXPECT_EQ(u'\xBEEF', wide[3]);
    // Too small: failure, not a truncated path.
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 10));
    EXPECT_EQ(0, MultiByteToWideChar(65001, 0, path, -1, wide, MAX_PATH));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0x8 /* MB_ERR_INVALID_CHARS */, path, -1, wide, MAX_PATH));
    sim::InjectFault(sim::Op::MultiByteToWideChar, 1);
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH));
}

}  // namespace
