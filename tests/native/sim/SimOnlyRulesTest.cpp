// Rules of the simulated kernel that the contract suite cannot check under
// Wine, each with the reason. Every other rule of the simulation is in
// tests/contract, where the real calls must pass it too.
#include "platform/Inet.h"
#include "platform/Kernel.h"
#include "platform/Security.h"
#include "platform/Threads.h"
#include "tests/sim/SimInet.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimSecurity.h"

#include <gtest/gtest.h>

using namespace plat;

namespace {

class SimOnlyRules : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
};

// The owner and list of the object at path, read through a handle on it.
OBJECT_SECURITY SecurityOf(const char* path) {
    OBJECT_SECURITY security{};
    HANDLE h = CreateFileA(path, READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
    EXPECT_NE(INVALID_HANDLE_VALUE, h) << path;
    EXPECT_TRUE(GetSecurityInfoOfHandle(h, &security)) << path;
    CloseHandle(h);
    return security;
}

bool OthersMayChange(const OBJECT_SECURITY& security) {
    for (DWORD i = 0; i < security.entryCount; ++i) {
        const ACCESS_ENTRY& e = security.entries[i];
        if (e.type == ACCESS_ALLOWED_ACE_TYPE && e.who == TRUSTEE_OTHER && !(e.flags & INHERIT_ONLY_ACE) &&
            (e.mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC)))
            return true;
    }
    return false;
}

// The seam cannot set the current directory, and the test program's own is
// wherever the harness starts it.
TEST_F(SimOnlyRules, RelativePathsAndOtherSpellingsOfAPath) {
    sim::SetCurrentDirectory("C:\\Work");
    ASSERT_TRUE(sim::MakeFolder("C:\\Work"));
    ASSERT_TRUE(sim::PutFile("C:\\Work\\out.bin", "x"));
    EXPECT_TRUE(FileExists("out.bin"));
    EXPECT_TRUE(FileExists("..\\Work\\.\\out.bin"));
    EXPECT_TRUE(FileExists("\\Work\\out.bin"));
    EXPECT_TRUE(FileExists("C:/work//OUT.BIN"));
    EXPECT_FALSE(FileExists("D:\\Work\\out.bin"));  // another letter, another volume
}

// Wine's drives lie on one Unix file system, and Wine moves across them
// without a copy; Windows refuses unless MOVEFILE_COPY_ALLOWED is given, and
// a running image cannot be copied and deleted.
TEST_F(SimOnlyRules, MovesAcrossVolumesNeedCopyAllowedAndNoRunningImage) {
    ASSERT_TRUE(sim::PutFile("D:\\Temp\\tarnquill.exe", "MZ"));
    ASSERT_TRUE(sim::MakeFolder("C:\\app"));
    EXPECT_FALSE(MoveFileExA("D:\\Temp\\tarnquill.exe", "C:\\app\\tarnquill.exe", 0));
    EXPECT_TRUE(MoveFileExA("D:\\Temp\\tarnquill.exe", "C:\\app\\tarnquill.exe", MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("MZ", sim::ReadFileBytes("C:\\app\\tarnquill.exe"));
    sim::SetRunningImage("C:\\app\\tarnquill.exe", true);
    EXPECT_FALSE(MoveFileExA("C:\\app\\tarnquill.exe", "D:\\old.bak", MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(sim::IsRunningImage("C:\\app\\tarnquill.exe"));
}

// Windows refuses a delayed move that may copy (ERROR_INVALID_PARAMETER);
// Wine records it.
TEST_F(SimOnlyRules, ADelayedMoveCannotBeACopy) {
    ASSERT_TRUE(sim::PutFile("C:\\t\\new.exe", "N"));
    EXPECT_FALSE(MoveFileExA("C:\\t\\new.exe", "C:\\x", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(sim::PendingMoves().empty());
}

// The program converts only from the ANSI code page with flags 0 or
// MB_PRECOMPOSED; the simulation refuses anything else, where Windows would
// convert, so that a change of either shows in the tests.
TEST_F(SimOnlyRules, CodePageConversionOnlyAsTheProgramAsksForIt) {
    WCHAR wide[MAX_PATH];
    EXPECT_EQ(0, MultiByteToWideChar(65001, 0, "a", -1, wide, MAX_PATH));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0x8 /* MB_ERR_INVALID_CHARS */, "a", -1, wide, MAX_PATH));
    EXPECT_EQ(2, MultiByteToWideChar(CP_ACP, 0, "a", -1, wide, MAX_PATH));
}

// Windows ends a request whose answer never comes after the session's
// receive time-out. Wine 8 does not: InternetOpenUrlA of a server that
// accepts and stays silent was still waiting after 150 s with a 2 s time-out
// set, so the program must not count on it alone.
TEST_F(SimOnlyRules, ASilentServerEndsTheRequestAfterTheReceiveTimeOut) {
    const std::string url = "http://www.veltrano.example/silent";
    sim::HttpAnswer silent;
    silent.silent = true;
    sim::ServeUrl(url, silent);
    HINTERNET session = InternetOpenA("contract", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_NE(nullptr, session);
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        EXPECT_TRUE(InternetSetOptionNumber(session, option, 2000));
    const DWORD start = GetTickCount();
    HINTERNET request = InternetOpenUrlA(session, url.c_str(), INTERNET_FLAG_RELOAD);
    const DWORD waited = GetTickCount() - start;
    EXPECT_EQ(nullptr, request);
    if (request) InternetCloseHandle(request);
    EXPECT_GE(waited, 1500u);
    EXPECT_LT(waited, 15000u) << "the receive time-out was not kept";
    InternetCloseHandle(session);
}

// Wine keeps no access lists and enforces none (every file is the current
// user's): owners and other users' rights exist only in the simulation.
// In the common application data folder every user may add files and
// folders, and what another user made there is theirs alone.
TEST_F(SimOnlyRules, AnotherUsersFileInTheCommonFolderIsTheirsAlone) {
    const char* theirs = "C:\\ProgramData\\Theirs\\tarnquill.exe";
    sim::SetCurrentUser(sim::Account::UserB);
    ASSERT_TRUE(CreateDirectoryA("C:\\ProgramData\\Theirs"));
    HANDLE h = CreateFileA(theirs, GENERIC_WRITE, 0, CREATE_NEW, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    sim::SetCurrentUser(sim::Account::UserA);
    EXPECT_EQ(sim::Account::UserB, sim::OwnerOf(theirs));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(theirs, GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    EXPECT_FALSE(DeleteFileA(theirs));
    ASSERT_TRUE(sim::PutFile("C:\\Users\\user\\mine.exe", "MZ"));
    EXPECT_FALSE(MoveFileExA("C:\\Users\\user\\mine.exe", theirs, MOVEFILE_REPLACE_EXISTING));
    // Their folder inherits "Users may add": anyone may put a file beside it.
    EXPECT_TRUE(MoveFileExA("C:\\Users\\user\\mine.exe", "C:\\ProgramData\\Theirs\\mine.exe", 0));
    EXPECT_EQ(TRUSTEE_OTHER, SecurityOf(theirs).owner);
    EXPECT_FALSE(ProtectDirectoryA("C:\\ProgramData\\Theirs"));
}

// Same reason. A folder of the user's own in the common folder is open to
// Users until protected; protecting it closes it to them and passes the
// list on to the files inside, but a file someone else put there stays
// theirs. A file moved in keeps the list it had, as on one volume.
TEST_F(SimOnlyRules, ProtectingAFolderClosesItAndAMovedFileKeepsItsRights) {
    const char* folder = "C:\\ProgramData\\Mine";
    ASSERT_TRUE(CreateDirectoryA(folder));
    ASSERT_TRUE(sim::PutFile("C:\\ProgramData\\Mine\\own.exe", "MZ"));
    EXPECT_EQ(TRUSTEE_CURRENT_USER, SecurityOf(folder).owner);
    EXPECT_TRUE(OthersMayChange(SecurityOf(folder)));
    EXPECT_TRUE(sim::MayAccess(folder, sim::Account::UserB, sim::kWrite));

    EXPECT_TRUE(ProtectDirectoryA(folder));
    EXPECT_FALSE(OthersMayChange(SecurityOf(folder)));
    EXPECT_FALSE(sim::MayAccess(folder, sim::Account::UserB, sim::kWrite));
    EXPECT_TRUE(sim::MayAccess("C:\\ProgramData\\Mine\\own.exe", sim::Account::UserB, sim::kReadExecute));

    ASSERT_TRUE(sim::PutFile("C:\\Users\\user\\AppData\\Local\\Temp\\new.exe", "MZ"));
    ASSERT_TRUE(MoveFileExA("C:\\Users\\user\\AppData\\Local\\Temp\\new.exe", "C:\\ProgramData\\Mine\\new.exe", 0));
    EXPECT_FALSE(sim::MayAccess("C:\\ProgramData\\Mine\\new.exe", sim::Account::UserB, sim::kReadExecute));
    sim::SetCurrentUser(sim::Account::UserB);
    PROCESS_INFORMATION pi{};
    EXPECT_FALSE(CreateProcessA("C:\\ProgramData\\Mine\\new.exe", NORMAL_PRIORITY_CLASS, STARTUPINFOA{68}, &pi));
}

// Wine reads a Unix symbolic link as a reparse point by its name only: a
// handle opened on it with FILE_FLAG_OPEN_REPARSE_POINT reports the folder
// it leads to, a link to a file reads as the file, RemoveDirectoryA refuses
// a link to a folder, and DeleteFileA of a link to a file deletes the file
// it leads to (all seen under Wine 8). Windows opens, removes and deletes
// the link itself, and tells a link (a name surrogate) from a reparse point
// that is the file itself (compressed, deduplicated, a cloud placeholder).
TEST_F(SimOnlyRules, ALinkItselfIsOpenedRemovedAndDeleted) {
    ASSERT_TRUE(sim::PutFile("C:\\Target\\file.txt", "kept"));
    ASSERT_TRUE(sim::MakeLink("C:\\Junction", "C:\\Target", true));
    ASSERT_TRUE(sim::MakeLink("C:\\FileLink", "C:\\Target\\file.txt", false, sim::kSymlinkTag));
    const DWORD onTheObject = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
    for (const char* link : {"C:\\Junction", "C:\\FileLink"}) {
        SCOPED_TRACE(link);
        EXPECT_TRUE(GetFileAttributesA(link) & FILE_ATTRIBUTE_REPARSE_POINT);
        HANDLE h = CreateFileA(link, READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING, onTheObject);
        FILE_ATTRIBUTE_TAG_INFO tag{};
        EXPECT_TRUE(GetFileAttributeTagInfo(h, &tag));
        EXPECT_TRUE(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        EXPECT_TRUE(tag.ReparseTag & 0x20000000u) << "a name surrogate";
        CloseHandle(h);
    }
    HANDLE through = CreateFileA("C:\\FileLink", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    char text[8] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(through, text, 4, &got));
    EXPECT_EQ(std::string("kept"), text);
    CloseHandle(through);

    EXPECT_TRUE(RemoveDirectoryA("C:\\Junction"));
    EXPECT_TRUE(DeleteFileA("C:\\FileLink"));
    EXPECT_EQ("kept", sim::ReadFileBytes("C:\\Target\\file.txt"));

    ASSERT_TRUE(sim::MarkReparsePoint("C:\\Target\\file.txt", sim::kWofTag));
    HANDLE wof = CreateFileA("C:\\Target\\file.txt", READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING, onTheObject);
    FILE_ATTRIBUTE_TAG_INFO tag{};
    EXPECT_TRUE(GetFileAttributeTagInfo(wof, &tag));
    EXPECT_EQ(sim::kWofTag, tag.ReparseTag);
    CloseHandle(wof);
}

// Same reason (Wine keeps no lists): a denying entry takes away what
// another entry allows, and an entry of a type that grants nothing here
// still reads back as its type.
TEST_F(SimOnlyRules, DenyingEntriesAndEntryTypes) {
    ASSERT_TRUE(sim::MakeFolder("C:\\ProgramData\\Mine"));
    ASSERT_TRUE(sim::SetAccess("C:\\ProgramData\\Mine", sim::Account::UserA,
                               {sim::Everywhere(sim::Account::Users, sim::kFullControl),
                                {sim::Account::UserB, sim::kWrite, true, false, false, false, sim::EntryType::Deny},
                                {sim::Account::UserB, sim::kDelete, true, false, false, false, sim::EntryType::Unknown}},
                               true));
    EXPECT_FALSE(sim::MayAccess("C:\\ProgramData\\Mine", sim::Account::UserB, sim::kWrite));
    EXPECT_TRUE(sim::MayAccess("C:\\ProgramData\\Mine", sim::Account::UserB, sim::kDelete));
    const OBJECT_SECURITY security = SecurityOf("C:\\ProgramData\\Mine");
    ASSERT_EQ(3u, security.entryCount);
    EXPECT_EQ(ACCESS_DENIED_ACE_TYPE, security.entries[1].type);
    EXPECT_EQ(0x7F, security.entries[2].type);
}

}  // namespace
