// Owners and access lists. Wine keeps no access lists of its own: what it
// reads back is made from the Unix mode bits (the user and SYSTEM full
// control, Everyone read and execute), with the current user as owner of
// everything, and nothing is enforced. These cases hold what it does show:
// the calls succeed or fail as on Windows and the user's own folders read
// back as theirs and closed to others. Other users' rights are the
// simulator's own rules (tests/native/sim/SimOnlyRulesTest.cpp).
#include "platform/Kernel.h"
#include "platform/Security.h"
#include "tests/contract/ContractFiles.h"
#include "tests/contract/ContractWorld.h"

using namespace plat;

namespace contract {
namespace {

class Security : public WorldTest {};

// Read through a handle on the object itself, as the program reads it.
void ExpectTheUsersOwn(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    OBJECT_SECURITY security{};
    security.owner = TRUSTEE_OTHER;
    const BOOL read = GetSecurityInfoOfHandle(h, &security);
    CloseHandle(h);
    ASSERT_TRUE(read) << path;
    EXPECT_EQ(TRUSTEE_CURRENT_USER, security.owner);
    EXPECT_TRUE(security.hasAccessList);
    ASSERT_LE(security.entryCount, MAX_ACCESS_ENTRIES);
    bool usersEntry = false;
    for (DWORD i = 0; i < security.entryCount; ++i) {
        const ACCESS_ENTRY& e = security.entries[i];
        usersEntry |= e.who == TRUSTEE_CURRENT_USER;
        // Nobody else may change anything (Wine's Everyone, Windows' Users: read and execute).
        if (e.who == TRUSTEE_OTHER && e.type == ACCESS_ALLOWED_ACE_TYPE) {
            EXPECT_EQ(0u, e.mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                    WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL))
                << path << " entry " << i;
        }
    }
    EXPECT_TRUE(usersEntry) << path;
}

// As the program judges the machine's folder: a trusted owner (Wine reads
// back the current user, whatever was set) and nobody else may change it.
void ExpectNobodyElseChanges(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    OBJECT_SECURITY security{};
    const BOOL read = GetSecurityInfoOfHandle(h, &security);
    CloseHandle(h);
    ASSERT_TRUE(read) << path;
    EXPECT_NE(TRUSTEE_OTHER, security.owner) << path;
    for (DWORD i = 0; i < security.entryCount; ++i) {
        const ACCESS_ENTRY& e = security.entries[i];
        if (e.who == TRUSTEE_OTHER && e.type == ACCESS_ALLOWED_ACE_TYPE) {
            EXPECT_EQ(0u, e.mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | GENERIC_ALL)) << path;
        }
    }
}

TEST_F(Security, AnAdministratorMakesOrTakesOverTheMachinesFolder) {
    RunAsMachineAdministrator();
    EXPECT_TRUE(IsMachineAdministrator());
    const std::string made = Scratch() + "\\machine";
    ASSERT_TRUE(CreateProtectedDirectoryA(made.c_str()));
    EXPECT_TRUE(TakeOverDirectoryA(made.c_str()));
    const std::string plain = Scratch() + "\\plain";
    ASSERT_TRUE(CreateDirectoryA(plain.c_str()));
    EXPECT_TRUE(TakeOverDirectoryA(plain.c_str()));
    EXPECT_FALSE(TakeOverDirectoryA((Scratch() + "\\missing").c_str()));
    ExpectNobodyElseChanges(made);
    ExpectNobodyElseChanges(plain);
}

TEST_F(Security, AProtectedFolderIsMadeOnceAndItAndItsFilesAreTheUsers) {
    const std::string folder = Scratch() + "\\protected";
    EXPECT_TRUE(CreateProtectedDirectoryA(folder.c_str()));
    EXPECT_FALSE(CreateProtectedDirectoryA(folder.c_str()));  // exists
    ExpectTheUsersOwn(folder);
    ASSERT_TRUE(WriteBytes(folder + "\\file.exe", "MZ"));
    EXPECT_EQ("MZ", ReadBytes(folder + "\\file.exe").value_or(""));
    ExpectTheUsersOwn(folder + "\\file.exe");
}

TEST_F(Security, TheUsersOwnFolderCanBeProtected) {
    const std::string folder = Scratch() + "\\plain";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str()));
    ASSERT_TRUE(WriteBytes(folder + "\\file.exe", "MZ"));
    EXPECT_TRUE(ProtectDirectoryA(folder.c_str()));
    ExpectTheUsersOwn(folder);
    ExpectTheUsersOwn(folder + "\\file.exe");
}

TEST_F(Security, NothingIsReadOrMadeWhereThereIsNoPath) {
    EXPECT_FALSE(ProtectDirectoryA((Scratch() + "\\missing").c_str()));
    EXPECT_FALSE(CreateProtectedDirectoryA((Scratch() + "\\missing\\deeper").c_str()));
}

}  // namespace
}  // namespace contract
