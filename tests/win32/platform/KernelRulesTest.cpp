// The real kernel's file rules that the update and installation logic rely
// on, checked under Wine through the platform layer.
#include "platform/Kernel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr plat::DWORD kSentinel = 0xdeadbeef;

// A fresh folder under the temporary directory, emptied again afterwards.
class KernelFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[plat::MAX_PATH] = {};
        ASSERT_GT(plat::GetTempPathA(plat::MAX_PATH, temp), 0u);
        dir_ = std::string(temp) + "tq-kernel-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        plat::CreateDirectoryA(dir_.c_str());
    }
    void TearDown() override {
        for (const std::string& f : created_) plat::DeleteFileA(f.c_str());
    }

    std::string File(const std::string& name) {
        created_.push_back(dir_ + "\\" + name);
        return created_.back();
    }

    static void Write(const std::string& path, const std::string& bytes) {
        plat::HANDLE h = plat::CreateFileA(path.c_str(), plat::GENERIC_WRITE,
                                           plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE,
                                           plat::CREATE_ALWAYS, plat::FILE_ATTRIBUTE_NORMAL);
        ASSERT_NE(plat::INVALID_HANDLE_VALUE, h) << path;
        plat::DWORD written = kSentinel;
        EXPECT_TRUE(plat::WriteFile(h, bytes.data(), static_cast<plat::DWORD>(bytes.size()), &written));
        EXPECT_EQ(bytes.size(), written);
        plat::CloseHandle(h);
    }

    static std::string Read(const std::string& path) {
        plat::HANDLE h = plat::CreateFileA(path.c_str(), plat::GENERIC_READ,
                                           plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE,
                                           plat::OPEN_EXISTING, plat::FILE_FLAG_SEQUENTIAL_SCAN);
        if (h == plat::INVALID_HANDLE_VALUE) return "<missing>";
        char buf[4096];
        plat::DWORD got = kSentinel;
        std::string out;
        while (plat::ReadFile(h, buf, sizeof buf, &got) && got > 0) out.append(buf, got);
        plat::CloseHandle(h);
        return out;
    }

    std::string dir_;
    std::vector<std::string> created_;
};

TEST_F(KernelFiles, MoveRefusesAnExistingTargetAndLeavesBothFiles) {
    const std::string source = File("new.exe");
    const std::string target = File("old.exe");
    Write(source, "new image");
    Write(target, "old image");

    EXPECT_FALSE(plat::MoveFileExA(source.c_str(), target.c_str(), plat::MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("new image", Read(source));
    EXPECT_EQ("old image", Read(target));

    ASSERT_TRUE(plat::DeleteFileA(target.c_str()));
    EXPECT_TRUE(plat::MoveFileExA(source.c_str(), target.c_str(), plat::MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("<missing>", Read(source));
    EXPECT_EQ("new image", Read(target));
}

TEST_F(KernelFiles, CreateAlwaysTruncatesAndOpenExistingNeedsTheFile) {
    const std::string path = File("data.bin");
    Write(path, std::string(5000, 'x'));
    Write(path, "ab");
    EXPECT_EQ("ab", Read(path));

    plat::HANDLE h = plat::CreateFileA(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ,
                                       plat::OPEN_EXISTING, plat::FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(plat::INVALID_HANDLE_VALUE, h);
    plat::DWORD high = kSentinel;
    EXPECT_EQ(2u, plat::GetFileSize(h, &high));
    EXPECT_EQ(0u, high);
    plat::CloseHandle(h);

    EXPECT_EQ(plat::INVALID_HANDLE_VALUE,
              plat::CreateFileA((dir_ + "\\absent.bin").c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ,
                                plat::OPEN_EXISTING, plat::FILE_ATTRIBUTE_NORMAL));
}

TEST_F(KernelFiles, FileExistsOnlyForFilesAndCreateDirectoryFailsWhenThere) {
    const std::string path = File("here.txt");
    Write(path, "x");
    EXPECT_TRUE(plat::FileExists(path.c_str()));
    EXPECT_FALSE(plat::FileExists(dir_.c_str()));
    EXPECT_FALSE(plat::FileExists((dir_ + "\\nothing.txt").c_str()));
    EXPECT_FALSE(plat::CreateDirectoryA(dir_.c_str()));
    EXPECT_FALSE(plat::DeleteFileA((dir_ + "\\nothing.txt").c_str()));
}

TEST(KernelPaths, TempPathEndsInBackslashAndCurrentDirectoryDoesNot) {
    char temp[plat::MAX_PATH] = {};
    const plat::DWORD n = plat::GetTempPathA(plat::MAX_PATH, temp);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, plat::MAX_PATH);
    EXPECT_EQ('\\', temp[n - 1]) << temp;

    char current[plat::MAX_PATH] = {};
    const plat::DWORD m = plat::GetCurrentDirectoryA(plat::MAX_PATH, current);
    ASSERT_GT(m, 0u);
    const bool driveRoot = m == 3 && current[1] == ':';
    EXPECT_TRUE(driveRoot || current[m - 1] != '\\') << current;
}

TEST(KernelPaths, ModuleFileNameIsTheRunningExecutable) {
    char path[plat::MAX_PATH] = {};
    const plat::DWORD n = plat::GetModuleFileNameA(plat::GetModuleHandleA(nullptr), path, plat::MAX_PATH);
    ASSERT_GT(n, 4u);
    EXPECT_STREQ(".exe", path + n - 4);
    EXPECT_EQ(':', path[1]);
    // The command line starts with the same program.
    EXPECT_NE(nullptr, plat::GetCommandLineA());
}

TEST(KernelCodePage, GbkPathWithBackslashTrailBytesBecomesTheRightWideText) {
    // The narrow literal is code page 936; the second byte of 誠 is 0x5C.
    const char* gbk = "C:\\ProgramData\\誠信\\免费快速.exe";
    const std::u16string expected = u"C:\\ProgramData\\誠信\\免费快速.exe";
    ASSERT_EQ(0x5C, static_cast<unsigned char>(gbk[16]));

    plat::WCHAR wide[plat::MAX_PATH];
    for (plat::WCHAR& c : wide) c = 0xBEEF;
    const int n = plat::MultiByteToWideChar(plat::CP_ACP, plat::MB_PRECOMPOSED, gbk, -1, wide, plat::MAX_PATH);
    EXPECT_EQ(static_cast<int>(expected.size()) + 1, n);
    EXPECT_EQ(expected, std::u16string(wide));
}

TEST(KernelProcesses, StartingAMissingFileFailsAndARealOneRuns) {
    plat::STARTUPINFOA si{68};
    plat::PROCESS_INFORMATION pi{};
    EXPECT_FALSE(plat::CreateProcessA("C:\\no\\such\\program.exe", plat::NORMAL_PRIORITY_CLASS, si, &pi));

    char system[plat::MAX_PATH] = {};
    ASSERT_TRUE(plat::GetModuleFileNameA(plat::GetModuleHandleA("kernel32.dll"), system, plat::MAX_PATH));
    std::string hostname(system);
    hostname = hostname.substr(0, hostname.rfind('\\')) + "\\hostname.exe";
    ASSERT_TRUE(plat::CreateProcessA(hostname.c_str(), plat::NORMAL_PRIORITY_CLASS, si, &pi)) << hostname;
    EXPECT_NE(nullptr, pi.hProcess);
    EXPECT_NE(0u, pi.dwProcessId);
    plat::CloseHandle(pi.hThread);
    plat::CloseHandle(pi.hProcess);
}

}  // namespace
