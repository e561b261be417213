// The simulation's test tools, which are no Windows rules: injected faults,
// calls with bad handles, the version size override.
#include "platform/Kernel.h"
#include "platform/VersionApi.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace plat;

namespace {

class SimTools : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }

    static HANDLE OpenWrite(const char* path) {
        return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL);
    }
    static HANDLE OpenRead(const char* path) {
        return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL);
    }
};

TEST_F(SimTools, InjectedFaultsHitTheNthCallOfTheirOperationOnly) {
    ASSERT_TRUE(sim::PutFile("C:\\src.bin", "abcdef"));
    sim::InjectFault(sim::Op::CreateFileRead, 2);
    HANDLE first = OpenRead("C:\\src.bin");
    EXPECT_NE(INVALID_HANDLE_VALUE, first);
    HANDLE out = OpenWrite("C:\\dst.bin");  // another operation: not counted
    EXPECT_NE(INVALID_HANDLE_VALUE, out);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\src.bin"));
    HANDLE third = OpenRead("C:\\src.bin");
    EXPECT_NE(INVALID_HANDLE_VALUE, third);
    EXPECT_EQ(3, sim::CallCount(sim::Op::CreateFileRead));
    EXPECT_EQ(1, sim::CallCount(sim::Op::CreateFileWrite));

    // Short transfers: the call succeeds and moves fewer bytes.
    char buf[8];
    DWORD n = 0;
    sim::InjectFault(sim::Op::ReadFile, 1, sim::Fault::Short(2));
    EXPECT_TRUE(ReadFile(first, buf, 6, &n));
    EXPECT_EQ(2u, n);
    sim::InjectFault(sim::Op::WriteFile, 1, sim::Fault::Short(1));
    EXPECT_TRUE(WriteFile(out, "xyz", 3, &n));
    EXPECT_EQ(1u, n);
    sim::InjectFault(sim::Op::WriteFile, 1);
    EXPECT_FALSE(WriteFile(out, "xyz", 3, &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ("x", sim::ReadFileBytes("C:\\dst.bin"));

    // A failing close still gives the handle up.
    sim::InjectFault(sim::Op::CloseHandle, 1);
    EXPECT_FALSE(CloseHandle(first));
    CloseHandle(third);
    CloseHandle(out);
    EXPECT_EQ(0, sim::OpenHandleCount());
    EXPECT_EQ(0, sim::PendingFaultCount());
}

TEST_F(SimTools, StickyFaultsKeepFailingTwoDueFaultsHitSuccessiveCallsAndResetClears) {
    for (const char* f : {"C:\\a", "C:\\b", "C:\\c"}) ASSERT_TRUE(sim::PutFile(f, "1"));
    sim::InjectFault(sim::Op::DeleteFile, 2, sim::Fault::Always());
    EXPECT_TRUE(DeleteFileA("C:\\a"));
    EXPECT_FALSE(DeleteFileA("C:\\b"));
    EXPECT_FALSE(DeleteFileA("C:\\c"));
    sim::Reset();
    ASSERT_TRUE(sim::PutFile("C:\\m", "1"));
    sim::InjectFault(sim::Op::MoveFileEx, 1);
    sim::InjectFault(sim::Op::MoveFileEx, 1);
    EXPECT_FALSE(MoveFileExA("C:\\m", "C:\\n", 0));
    EXPECT_FALSE(MoveFileExA("C:\\m", "C:\\n", 0));
    EXPECT_TRUE(MoveFileExA("C:\\m", "C:\\n", 0));
    EXPECT_EQ(3, sim::CallCount(sim::Op::MoveFileEx));
    EXPECT_EQ(0, sim::CallCount(sim::Op::DeleteFile));
}

TEST_F(SimTools, VersionCallsFailOnFaultsAndTheSizeOverrideChangesOnlyTheSize) {
    ASSERT_TRUE(sim::PutFile("C:\\v.exe", sim::MakeExecutableImage("5.0")));
    ASSERT_TRUE(sim::PutFile("C:\\plain.exe", sim::MakeExecutableImageWithoutVersion()));
    std::vector<unsigned char> data(4096);
    void* p = nullptr;
    UINT len = 0;
    sim::InjectFault(sim::Op::GetFileVersionInfoSize, 1);
    EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\v.exe", nullptr));
    sim::InjectFault(sim::Op::GetFileVersionInfo, 1);
    EXPECT_FALSE(GetFileVersionInfoA("C:\\v.exe", 0, 4096, data.data()));
    ASSERT_TRUE(GetFileVersionInfoA("C:\\v.exe", 0, 4096, data.data()));
    sim::InjectFault(sim::Op::VerQueryValue, 1);
    EXPECT_FALSE(VerQueryValueA(data.data(), "\\", &p, &len));
    EXPECT_TRUE(VerQueryValueA(data.data(), "\\", &p, &len));

    const DWORD trueSize = GetFileVersionInfoSizeA("C:\\v.exe", nullptr);
    sim::SetVersionInfoSizeOverride(trueSize + 4096);
    EXPECT_EQ(trueSize + 4096, GetFileVersionInfoSizeA("C:\\v.exe", nullptr));
    EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\plain.exe", nullptr));
}

TEST_F(SimTools, BadAndClosedHandlesFailAndAreRecorded) {
    ASSERT_TRUE(sim::PutFile("C:\\h.bin", "x"));
    HANDLE h = OpenRead("C:\\h.bin");
    ASSERT_TRUE(CloseHandle(h));
    char buf[4];
    DWORD n = 0xdeadbeef;
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_FALSE(ReadFile(h, buf, 1, &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(INVALID_HANDLE_VALUE, nullptr));
    EXPECT_FALSE(WriteFile(nullptr, "x", 1, &n));
    EXPECT_EQ((std::vector<std::string>{"CloseHandle", "ReadFile", "GetFileSize", "WriteFile"}),
              sim::BadHandleCalls());
    EXPECT_NE(h, OpenRead("C:\\h.bin"));  // a new handle never reuses a closed one's value
}

}  // namespace
