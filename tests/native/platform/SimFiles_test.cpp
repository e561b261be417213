// The simulated file system keeps the Windows rules that the installation
// and the update rely on; every other test trusts it, so its rules are
// checked here through the kernel calls themselves.
#include "base/CFileFind.h"
#include "platform/Kernel.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <string>

using namespace plat;

namespace {

class SimFiles : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }

    static HANDLE OpenWrite(const char* path, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
        return CreateFileA(path, GENERIC_WRITE, share, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    }
    static HANDLE OpenRead(const char* path, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
        return CreateFileA(path, GENERIC_READ, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    }
    static bool Write(HANDLE h, const std::string& bytes, DWORD* written) {
        return WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), written) == TRUE;
    }
};

TEST_F(SimFiles, NamesAreCaseInsensitiveAndKeepTheirStoredCase) {
    ASSERT_TRUE(sim::PutFile("C:\\Data\\Tarnquill.EXE", "x"));
    EXPECT_TRUE(FileExists("c:\\DATA\\tarnquill.exe"));
    EXPECT_TRUE(FileExists("C:/data/TARNQUILL.exe"));
    EXPECT_TRUE(FileExists("C:\\data\\\\tarnquill.exe"));
    EXPECT_FALSE(FileExists("C:\\data"));  // a folder is not a file
    EXPECT_EQ(std::vector<std::string>{"Tarnquill.EXE"}, sim::ListFolder("C:\\DATA"));
    // Other drive letters are other volumes.
    EXPECT_FALSE(FileExists("D:\\Data\\Tarnquill.EXE"));
    EXPECT_TRUE(sim::IsFolder("D:\\"));
}

TEST_F(SimFiles, TrailBytesOfDoubleByteNamesAreNotSeparators) {
    // 誠 is D5 5C: its trail byte is a backslash.
    const std::string folder = "C:\\T\\\xD5\x5C";
    ASSERT_TRUE(sim::MakeFolder(folder));
    EXPECT_EQ(std::vector<std::string>{"\xD5\x5C"}, sim::ListFolder("C:\\T"));
    ASSERT_TRUE(sim::PutFile(folder + "\\a.txt", "1"));
    EXPECT_EQ(std::vector<std::string>{"a.txt"}, sim::ListFolder(folder));
    // Upper-casing leaves double-byte characters alone: \xD5\x7A is not \xD5\x5A.
    ASSERT_TRUE(sim::PutFile("C:\\\xD5\x7A", "z"));
    EXPECT_FALSE(sim::Exists("C:\\\xD5\x5A"));
}

TEST_F(SimFiles, RelativePathsStartAtTheCurrentDirectory) {
    sim::SetCurrentDirectory("C:\\Work");
    ASSERT_TRUE(sim::MakeFolder("C:\\Work"));
    HANDLE h = OpenWrite("out.bin");
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    EXPECT_TRUE(sim::Exists("C:\\Work\\out.bin"));
    EXPECT_TRUE(FileExists("..\\Work\\.\\out.bin"));
    EXPECT_TRUE(FileExists("\\Work\\out.bin"));
}

TEST_F(SimFiles, CreateAlwaysNeedsTheParentFolderAndTruncates) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenWrite("C:\\NoSuchFolder\\a.bin"));
    EXPECT_FALSE(sim::Exists("C:\\NoSuchFolder"));

    ASSERT_TRUE(sim::PutFile("C:\\f\\a.bin", "old contents"));
    HANDLE h = OpenWrite("C:\\f\\a.bin");
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ("", sim::ReadFileBytes("C:\\f\\a.bin"));
    DWORD written = 0xdeadbeef;
    EXPECT_TRUE(Write(h, "new", &written));
    EXPECT_EQ(3u, written);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ("new", sim::ReadFileBytes("C:\\f\\a.bin"));
    EXPECT_EQ(0, sim::OpenHandleCount());

    ASSERT_TRUE(sim::MakeFolder("C:\\f\\sub"));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenWrite("C:\\f\\sub"));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\f\\missing.bin"));
}

TEST_F(SimFiles, ReadingWalksTheFileAndReportsItsSize) {
    ASSERT_TRUE(sim::PutFile("C:\\r.bin", std::string("ab\0cdef", 7)));
    HANDLE h = OpenRead("C:\\r.bin");
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD high = 0xdeadbeef;
    EXPECT_EQ(7u, GetFileSize(h, &high));
    EXPECT_EQ(0u, high);
    char buf[8] = {};
    DWORD read = 0xdeadbeef;
    EXPECT_TRUE(ReadFile(h, buf, 4, &read));
    EXPECT_EQ(4u, read);
    EXPECT_TRUE(ReadFile(h, buf + 4, 8, &read));
    EXPECT_EQ(3u, read);
    EXPECT_EQ(std::string("ab\0cdef", 7), std::string(buf, 7));
    EXPECT_TRUE(ReadFile(h, buf, 8, &read));  // the end: success with nothing
    EXPECT_EQ(0u, read);
    // A read handle cannot write.
    DWORD written = 0xdeadbeef;
    EXPECT_FALSE(Write(h, "x", &written));
    EXPECT_EQ(0u, written);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(SimFiles, SharingModesBlockConflictingOpenings) {
    ASSERT_TRUE(sim::PutFile("C:\\s.bin", "data"));
    HANDLE reader = OpenRead("C:\\s.bin", FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenWrite("C:\\s.bin"));  // no FILE_SHARE_WRITE
    EXPECT_EQ("data", sim::ReadFileBytes("C:\\s.bin"));      // and nothing truncated
    HANDLE second = OpenRead("C:\\s.bin", FILE_SHARE_READ);
    EXPECT_NE(INVALID_HANDLE_VALUE, second);
    // A new opening must share what the open ones already do.
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\s.bin", FILE_SHARE_WRITE));
    CloseHandle(second);
    CloseHandle(reader);

    HANDLE writer = OpenWrite("C:\\s.bin", 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead("C:\\s.bin"));
    CloseHandle(writer);
    EXPECT_NE(INVALID_HANDLE_VALUE, writer = OpenWrite("C:\\s.bin"));
    HANDLE shared = OpenRead("C:\\s.bin");
    EXPECT_NE(INVALID_HANDLE_VALUE, shared);
    CloseHandle(shared);
    CloseHandle(writer);
    EXPECT_EQ(0, sim::OpenHandleCount());
}

TEST_F(SimFiles, OpenFilesCannotBeDeletedOrMoved) {
    ASSERT_TRUE(sim::PutFile("C:\\o.bin", "x"));
    HANDLE h = OpenRead("C:\\o.bin");
    EXPECT_FALSE(DeleteFileA("C:\\o.bin"));
    EXPECT_FALSE(MoveFileExA("C:\\o.bin", "C:\\p.bin", 0));
    CloseHandle(h);
    EXPECT_TRUE(MoveFileExA("C:\\o.bin", "C:\\p.bin", 0));
    EXPECT_TRUE(DeleteFileA("C:\\p.bin"));
    EXPECT_FALSE(DeleteFileA("C:\\p.bin"));
    ASSERT_TRUE(sim::MakeFolder("C:\\dir"));
    EXPECT_FALSE(DeleteFileA("C:\\dir"));
}

TEST_F(SimFiles, RunningImagesCanBeRenamedButNotDeletedOrWritten) {
    ASSERT_TRUE(sim::PutFile("C:\\app\\tarnquill.exe", "MZ image"));
    sim::SetRunningImage("C:\\app\\tarnquill.exe", true);
    EXPECT_FALSE(DeleteFileA("C:\\app\\tarnquill.exe"));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenWrite("C:\\app\\tarnquill.exe"));
    EXPECT_EQ("MZ image", sim::ReadFileBytes("C:\\app\\tarnquill.exe"));  // not truncated
    HANDLE reader = OpenRead("C:\\app\\tarnquill.exe");
    EXPECT_NE(INVALID_HANDLE_VALUE, reader);  // copying a running program works
    CloseHandle(reader);

    // Nothing may be moved onto it either, even when replacing is allowed.
    ASSERT_TRUE(sim::PutFile("C:\\app\\new.exe", "MZ new"));
    EXPECT_FALSE(MoveFileExA("C:\\app\\new.exe", "C:\\app\\tarnquill.exe", MOVEFILE_REPLACE_EXISTING));

    // The rename frees the name; the mark goes with the image.
    EXPECT_TRUE(MoveFileExA("C:\\app\\tarnquill.exe", "C:\\app\\OldExecutable.bak", MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(sim::IsRunningImage("C:\\app\\OldExecutable.bak"));
    EXPECT_FALSE(DeleteFileA("C:\\app\\OldExecutable.bak"));
    EXPECT_TRUE(MoveFileExA("C:\\app\\new.exe", "C:\\app\\tarnquill.exe", MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("MZ new", sim::ReadFileBytes("C:\\app\\tarnquill.exe"));
    EXPECT_FALSE(sim::IsRunningImage("C:\\app\\tarnquill.exe"));
    // A running image cannot leave its volume: that would be a copy and a delete.
    EXPECT_FALSE(MoveFileExA("C:\\app\\OldExecutable.bak", "D:\\old.bak", MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(sim::Exists("C:\\app\\OldExecutable.bak"));
}

TEST_F(SimFiles, MovesRefuseAnExistingTargetUnlessAskedToReplace) {
    ASSERT_TRUE(sim::PutFile("C:\\m\\a", "A"));
    ASSERT_TRUE(sim::PutFile("C:\\m\\b", "B"));
    EXPECT_FALSE(MoveFileExA("C:\\m\\a", "C:\\m\\B", MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("A", sim::ReadFileBytes("C:\\m\\a"));
    EXPECT_EQ("B", sim::ReadFileBytes("C:\\m\\b"));
    EXPECT_TRUE(MoveFileExA("C:\\m\\a", "C:\\m\\b", MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(sim::Exists("C:\\m\\a"));
    EXPECT_EQ("A", sim::ReadFileBytes("C:\\m\\b"));
    // The target's folder must exist; a missing source fails.
    EXPECT_FALSE(MoveFileExA("C:\\m\\b", "C:\\nowhere\\b", 0));
    EXPECT_FALSE(MoveFileExA("C:\\m\\gone", "C:\\m\\c", 0));
    // A change of case only is a rename onto itself.
    EXPECT_TRUE(MoveFileExA("C:\\m\\b", "C:\\m\\B", 0));
    EXPECT_EQ(std::vector<std::string>{"B"}, sim::ListFolder("C:\\m"));
}

TEST_F(SimFiles, MovesAcrossVolumesNeedCopyAllowed) {
    ASSERT_TRUE(sim::PutFile("D:\\Temp\\tarnquill.exe", "MZ"));
    ASSERT_TRUE(sim::MakeFolder("C:\\app"));
    EXPECT_FALSE(MoveFileExA("D:\\Temp\\tarnquill.exe", "C:\\app\\tarnquill.exe", 0));
    EXPECT_TRUE(sim::Exists("D:\\Temp\\tarnquill.exe"));
    EXPECT_TRUE(MoveFileExA("D:\\Temp\\tarnquill.exe", "C:\\app\\tarnquill.exe", MOVEFILE_COPY_ALLOWED));
    EXPECT_FALSE(sim::Exists("D:\\Temp\\tarnquill.exe"));
    EXPECT_EQ("MZ", sim::ReadFileBytes("C:\\app\\tarnquill.exe"));
}

TEST_F(SimFiles, DelayedMovesAreOnlyRecorded) {
    ASSERT_TRUE(sim::PutFile("C:\\t\\new.exe", "N"));
    ASSERT_TRUE(sim::PutFile("C:\\app\\tarnquill.exe", "O"));
    EXPECT_TRUE(MoveFileExA("C:\\t\\new.exe", "c:\\app\\tarnquill.exe", MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ("N", sim::ReadFileBytes("C:\\t\\new.exe"));
    EXPECT_EQ("O", sim::ReadFileBytes("C:\\app\\tarnquill.exe"));
    const auto pending = sim::PendingMoves();
    ASSERT_EQ(1u, pending.size());
    EXPECT_EQ("C:\\t\\new.exe", pending[0].from);
    EXPECT_EQ("C:\\app\\tarnquill.exe", pending[0].to);
    EXPECT_EQ(MOVEFILE_DELAY_UNTIL_REBOOT, pending[0].flags);
    // Windows refuses a delayed move that would copy.
    EXPECT_FALSE(MoveFileExA("C:\\t\\new.exe", "D:\\x", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(1u, sim::PendingMoves().size());
}

TEST_F(SimFiles, CreateDirectoryMakesOnlyTheLastLevel) {
    EXPECT_FALSE(CreateDirectoryA("C:\\Data\\Veltrano"));
    EXPECT_FALSE(sim::Exists("C:\\Data"));
    EXPECT_TRUE(CreateDirectoryA("C:\\Data"));
    EXPECT_TRUE(CreateDirectoryA("C:\\Data\\Veltrano\\"));
    EXPECT_TRUE(sim::IsFolder("C:\\data\\veltrano"));
    EXPECT_FALSE(CreateDirectoryA("C:\\Data\\VELTRANO"));  // it exists
    ASSERT_TRUE(sim::PutFile("C:\\Data\\file", ""));
    EXPECT_FALSE(CreateDirectoryA("C:\\Data\\file"));
    EXPECT_FALSE(CreateDirectoryA("C:\\"));
    // A file cannot hold a folder.
    EXPECT_FALSE(CreateDirectoryA("C:\\Data\\file\\sub"));
}

TEST_F(SimFiles, BadAndClosedHandlesFailAndAreRecorded) {
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
    // A new handle never reuses the closed one's value.
    EXPECT_NE(h, OpenRead("C:\\h.bin"));
}

TEST_F(SimFiles, InjectedFaultsHitTheNthCallOfTheirOperationOnly) {
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

TEST_F(SimFiles, StickyFaultsKeepFailingAndResetClearsThem) {
    ASSERT_TRUE(sim::PutFile("C:\\a", "1"));
    sim::InjectFault(sim::Op::DeleteFile, 2, sim::Fault::Always());
    ASSERT_TRUE(sim::PutFile("C:\\b", "1"));
    ASSERT_TRUE(sim::PutFile("C:\\c", "1"));
    EXPECT_TRUE(DeleteFileA("C:\\a"));
    EXPECT_FALSE(DeleteFileA("C:\\b"));
    EXPECT_FALSE(DeleteFileA("C:\\c"));
    EXPECT_TRUE(sim::Exists("C:\\c"));
    sim::Reset();
    ASSERT_TRUE(sim::PutFile("C:\\c", "1"));
    EXPECT_TRUE(DeleteFileA("C:\\c"));
    EXPECT_EQ(1, sim::CallCount(sim::Op::DeleteFile));
}

TEST_F(SimFiles, TwoFaultsDueOnOneCallHitSuccessiveCalls) {
    ASSERT_TRUE(sim::PutFile("C:\\m", "1"));
    sim::InjectFault(sim::Op::MoveFileEx, 1);
    sim::InjectFault(sim::Op::MoveFileEx, 1);
    EXPECT_FALSE(MoveFileExA("C:\\m", "C:\\n", 0));
    EXPECT_FALSE(MoveFileExA("C:\\m", "C:\\n", 0));
    EXPECT_TRUE(MoveFileExA("C:\\m", "C:\\n", 0));
}

TEST_F(SimFiles, CFileFindSeesFilesNotFolders) {
    ASSERT_TRUE(sim::PutFile("C:\\ProgramData\\Veltrano\\ Veltrano4.lnk", "L"));
    CFileFind finder;
    EXPECT_TRUE(finder.FindFile("c:\\programdata\\veltrano\\ veltrano4.lnk"));
    EXPECT_FALSE(finder.FindFile("C:\\ProgramData\\Veltrano"));
    EXPECT_FALSE(finder.FindFile("C:\\ProgramData\\Veltrano\\Veltrano4.lnk"));  // the blank counts
    EXPECT_FALSE(finder.FindFile(nullptr));
    finder.Close();
}

}  // namespace
