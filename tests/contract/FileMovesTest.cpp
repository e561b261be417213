// Moves and replacements: what the update's swap of the executable relies on.
#include "tests/contract/ContractFiles.h"
#include "tests/contract/ContractWorld.h"

using namespace plat;

namespace contract {
namespace {

using Moves = WorldTest;

TEST_F(Moves, RefuseAnExistingTargetUnlessAskedToReplace) {
    const std::string a = Scratch() + "\\new.exe", b = Scratch() + "\\old.exe";
    ASSERT_TRUE(WriteBytes(a, "new image"));
    ASSERT_TRUE(WriteBytes(b, "old image"));
    EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("new image", ReadBytes(a));
    EXPECT_EQ("old image", ReadBytes(b));

    EXPECT_TRUE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(FileExists(a.c_str()));
    EXPECT_EQ("new image", ReadBytes(b));
    EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));  // no source
}

TEST_F(Moves, CarryAFileIntoAnotherFolderThatExists) {
    const std::string a = Scratch() + "\\a.exe", sub = Scratch() + "\\sub";
    ASSERT_TRUE(WriteBytes(a, "A"));
    EXPECT_FALSE(MoveFileExA(a.c_str(), (sub + "\\a.bak").c_str(), MOVEFILE_COPY_ALLOWED));
    ASSERT_TRUE(CreateDirectoryA(sub.c_str()));
    EXPECT_TRUE(MoveFileExA(a.c_str(), (sub + "\\a.bak").c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_FALSE(FileExists(a.c_str()));
    EXPECT_EQ("A", ReadBytes(sub + "\\A.BAK"));
    // A change of case only is a rename onto itself.
    EXPECT_TRUE(MoveFileExA((sub + "\\a.bak").c_str(), (sub + "\\A.Bak").c_str(), 0));
    EXPECT_EQ("A", ReadBytes(sub + "\\a.bak"));
}

TEST_F(Moves, DelayedMovesAreRecordedAndLeaveBothFiles) {
    const std::string from = Scratch() + "\\new.exe", to = Scratch() + "\\old.exe";
    ASSERT_TRUE(WriteBytes(from, "N"));
    ASSERT_TRUE(WriteBytes(to, "O"));
    EXPECT_TRUE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ("N", ReadBytes(from));
    EXPECT_EQ("O", ReadBytes(to));
    const auto pending = PendingMoves();
    ASSERT_EQ(1u, pending.size());
    EXPECT_STRCASEEQ(from.c_str(), pending[0].first.c_str());
    EXPECT_STRCASEEQ(to.c_str(), pending[0].second.c_str());
    // A delayed delete has no target.
    EXPECT_TRUE(MoveFileExA(to.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_EQ(2u, PendingMoves().size());
    EXPECT_EQ("", PendingMoves()[1].second);
    EXPECT_EQ("O", ReadBytes(to));
}

}  // namespace
}  // namespace contract
