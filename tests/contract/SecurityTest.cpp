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

void ExpectTheUsersOwn(const std::string& path) {
    PATH_SECURITY security{OWNER_OTHER, TRUE};
    ASSERT_TRUE(GetPathSecurityA(path.c_str(), &security));
    EXPECT_EQ(OWNER_CURRENT_USER, security.owner);
    EXPECT_FALSE(security.othersMayChange);
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
    PATH_SECURITY security{};
    EXPECT_FALSE(GetPathSecurityA((Scratch() + "\\missing").c_str(), &security));
    EXPECT_FALSE(ProtectDirectoryA((Scratch() + "\\missing").c_str()));
    EXPECT_FALSE(CreateProtectedDirectoryA((Scratch() + "\\missing\\deeper").c_str()));
}

}  // namespace
}  // namespace contract
