// Swapping an executable behind "OldExecutable.bak".
#include "UpdateWorld.h"

#include "tests/sim/SimFaults.h"

using namespace updtest;

namespace {

class Replace : public UpdateWorld {
protected:
    void SetUp() override {
        UpdateWorld::SetUp();
        sim::PutFile(kDownload, newImage);
    }
    bool Run(bool delay = false) {
        return Updater().ReplaceExecutable(kExe.c_str(), kDownload.c_str(), delay);
    }
};

TEST_F(Replace, AnEarlierBackupIsReplaced) {
    sim::PutFile(kBackup, "older");
    EXPECT_TRUE(Run());
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
}

TEST_F(Replace, WorksAcrossVolumes) {
    const std::string exe = "D:\\Apps\\tarnquill.exe";
    sim::PutFile(exe, oldImage);
    EXPECT_TRUE(Updater().ReplaceExecutable(exe.c_str(), kDownload.c_str(), false));
    EXPECT_EQ(sim::ReadFileBytes(exe), newImage);
    EXPECT_EQ(sim::ReadFileBytes("D:\\Apps\\OldExecutable.bak"), oldImage);
    EXPECT_FALSE(sim::Exists(kDownload));
}

TEST_F(Replace, NeverLeavesTheExecutablesPathEmpty) {
    // The new file is gone by the time of the second move.
    sim::RemovePath(kDownload);
    EXPECT_FALSE(Run());
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    EXPECT_FALSE(sim::Exists(kBackup));

    // Any other failure of the second move brings the old image back too.
    sim::PutFile(kDownload, newImage);
    sim::InjectFault(sim::Op::MoveFileEx, 2);
    EXPECT_FALSE(Run());
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    EXPECT_EQ(sim::ReadFileBytes(kDownload), newImage);
}

TEST_F(Replace, DelayedReplacementOnlyRegistersBothMoves) {
    EXPECT_TRUE(Run(true));
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    EXPECT_EQ(sim::ReadFileBytes(kDownload), newImage);
    std::vector<sim::PendingMove> moves = sim::PendingMoves();
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].from, kExe);
    EXPECT_EQ(moves[0].to, kBackup);
    EXPECT_EQ(moves[1].from, kDownload);
    EXPECT_EQ(moves[1].to, kExe);
    for (const auto& move : moves) EXPECT_EQ(move.flags, plat::MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace
