// The power goes after each kernel file operation in turn during an update's
// swap, and during the undo of an update that never started. After the
// restart the executable's path holds a whole image, old or new, never a
// zero-filled one; it may be empty only between the two moves of
// the swap, with the old image whole in the backup, and a start of the
// downloaded copy then installs it again.
#include "install/InstallFixture.h"
#include "update/UpdateWorld.h"

#include "update/UpdateOutcome.h"
#include "platform/User.h"
#include "tests/sim/SimPowerCut.h"

namespace {

class SwapPowerCut : public updtest::UpdateWorld {
protected:
    // The whole update (its download beside the executable, whatever the
    // temporary folder), cut after `cut` operations.
    bool UpdateCutAfter(int cut) {
        updater.reset();
        SetUp();
        Publish("5.0.0.1", newImage);
        sim::QueueAnswer(plat::IDYES);
        sim::PlanPowerCut(cut);
        Check();
        updater.reset();
        return sim::RestartAfterPowerCut();
    }

    void ExpectWholeExecutable(int cut) {
        const auto exe = sim::ReadFileBytes(updtest::kExe);
        if (exe) {
            EXPECT_TRUE(*exe == oldImage || *exe == newImage) << "cut after operation " << cut;
            return;
        }
        EXPECT_EQ(sim::ReadFileBytes(updtest::kBackup), oldImage) << "cut after operation " << cut;
        ExpectReinstalledFromDownload(cut);
    }

    // Nothing can start from an empty path; the user's downloaded copy can.
    void ExpectReinstalledFromDownload(int cut) {
        const std::string downloaded = installtest::kDownloaded;
        sim::PutFile(downloaded, oldImage);
        sim::SetModulePath(downloaded);
        sim::SetCommandLine("\"" + downloaded + "\"");
        char dir[256] = {};
        char name[256] = {};
        RunSelfInstallStep(sim::CreateWindow(nullptr, 0, plat::RECT{0, 0, 640, 480}), "5.0", dir, name);
        EXPECT_EQ(sim::ReadFileBytes(updtest::kExe), oldImage) << "cut after operation " << cut;
    }

    void Walk() {
        int cut = 0;
        for (bool during = true; during; ++cut) {
            during = UpdateCutAfter(cut);
            ExpectWholeExecutable(cut);
        }
        EXPECT_GT(cut, 10) << "the walk never reached the swap";
    }
};

TEST_F(SwapPowerCut, EveryCutLeavesAWholeExecutable) { Walk(); }

}  // namespace

// The undo: the update swapped in, then its restart, which ends without a
// sign, and the power going at each step of putting the old image back.
class UndoPowerCut : public SwapPowerCut {
protected:
    bool UndoCutAfter(int cut) {
        updater.reset();
        SetUp();
        sim::PutFile(updtest::kExe, newImage);
        sim::PutFile(updtest::kBackup, oldImage);
        sim::QueueAnswer(plat::IDOK);
        g_bRestartAfterUpdate = true;
        sim::PlanPowerCut(cut);
        RelaunchIfRequested("tarnquill");
        AwaitRelaunched();
        g_bRestartAfterUpdate = false;
        return sim::RestartAfterPowerCut();
    }
};

TEST_F(UndoPowerCut, EveryCutLeavesAWholeExecutable) {
    int cut = 0;
    for (bool during = true; during; ++cut) {
        during = UndoCutAfter(cut);
        ExpectWholeExecutable(cut);
    }
    EXPECT_GT(cut, 4) << "the walk never reached the moves";
    EXPECT_EQ(sim::ReadFileBytes(updtest::kExe), oldImage) << "the whole undo, uncut";
}
