// The restart into an update, watched from the copy that swapped it in: a
// sign of life lets it end; an update that never gives one is undone, the
// old version started again, the user told, and that release not offered
// again until a newer one is announced.
#include "WindowCheck.h"

#include "update/RestartWatch.h"
#include "update/UpdateSettings.h"
#include "base/ProgramPaths.h"
#include "platform/User.h"

#include <utility>

using namespace updtest;

namespace {

const std::string kUndoneText =
    "\xB8\xFC\xD0\xC2\xBA\xF3\xB5\xC4\xB3\xCC\xD0\xF2\xCE\xDE\xB7\xA8\xC6\xF4\xB6\xAF\xA3\xAC"
    "\xD2\xD1\xBB\xD6\xB8\xB4\xB5\xBD\xD6\xAE\xC7\xB0\xB5\xC4\xB0\xE6\xB1\xBE\xA1\xA3";
const std::string kRecord = kExe + ".undone";

// The new version's own start: its main window exists.
sim::StartedProgram Healthy() { return {[] { AnnounceRunning(kExe.c_str()); }, true}; }

class Restart : public WindowWorld {
protected:
    // 5.0.0.1 swapped in, the restart accepted, the window gone; then the
    // wait for the started program, which does what `started` says.
    void UpdateAndRestart(sim::StartedProgram started, bool undone = true) {
        Publish("5.0.0.1", newImage);
        sim::QueueAnswer(plat::IDYES);  // the offer
        sim::QueueAnswer(plat::IDYES);  // the restart
        if (undone) sim::QueueAnswer(plat::IDOK);
        sim::ScriptNextStart(std::move(started));
        main->TickAndPump();
        ASSERT_EQ(main->closes, 1);
        main.reset();
        waitStart = sim::Clock();
        AwaitRelaunched();
    }

    // A later start of the program checks again: true when it was offered.
    bool OfferedAt(const std::string& manifest, const std::string& image) {
        main.reset();
        updater.reset();
        sim::Reset();
        SetUp();
        sim::PutFile(kRecord, undoneRecord);
        Publish(manifest, image);
        sim::QueueAnswer(plat::IDNO);
        sim::QueueAnswer(plat::IDOK);  // the failure message a declined offer shows
        main->TickAndPump();
        return !sim::MessageBoxes().empty();
    }

    std::vector<std::string> Started() {
        std::vector<std::string> apps;
        for (const auto& s : sim::ProcessStarts()) apps.push_back(s.application);
        return apps;
    }

    void ExpectUndone() {
        EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
        EXPECT_EQ(sim::ReadFileBytes(kBackup), std::nullopt);
        EXPECT_EQ(sim::ReadFileBytes(kExe + ".failed"), std::nullopt);
        EXPECT_EQ(sim::ReadFileBytes(kRecord), std::string("5.0.0.1"));
        EXPECT_EQ(Started(), (std::vector<std::string>{kExe, kExe})) << "the update, then the restored program";
        ASSERT_EQ(sim::MessageBoxes().size(), 3u) << "offer, restart, and the one that tells";
        const sim::MessageBoxCall told = sim::MessageBoxes().back();
        EXPECT_EQ(told.text, kUndoneText);
        EXPECT_EQ(told.caption, kFailureCaption);
        EXPECT_EQ(told.style, plat::MB_OK | plat::MB_ICONWARNING);
        EXPECT_EQ(told.owner, nullptr) << "the window is gone";
    }

    plat::DWORD waitStart = 0;
    std::string undoneRecord = "5.0.0.1";
};

TEST_F(Restart, TheSignOfLifeEndsTheWaitAtOnceAndKeepsTheUpdate) {
    UpdateAndRestart(Healthy(), false);
    EXPECT_EQ(sim::Clock(), waitStart) << "no wait beyond the sign";
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    EXPECT_FALSE(sim::Exists(kRecord));
    EXPECT_EQ(Started(), std::vector<std::string>{kExe});
    EXPECT_TRUE(sim::StartedProcessRuns(0));
    EXPECT_EQ(sim::MessageBoxes().size(), 2u);
    EXPECT_EQ(sim::OpenHandleCount(), 0);
}

TEST_F(Restart, AProgramThatEndsWithoutTheSignIsUndone) {
    UpdateAndRestart({});
    EXPECT_EQ(sim::Clock(), waitStart) << "its end ends the wait";
    ExpectUndone();
    EXPECT_EQ(sim::OpenHandleCount(), 0);
}

TEST_F(Restart, AProgramSilentPastTheBoundIsEndedAndUndone) {
    UpdateAndRestart({nullptr, true});
    EXPECT_GE(sim::Clock() - waitStart, kRestartSignWaitMs);
    EXPECT_FALSE(sim::StartedProcessRuns(0));
    ExpectUndone();
}

TEST_F(Restart, TheUndoTakesTheBackupItsOwnSwapMade) {
    // An "OldExecutable.bak" that cannot be replaced (a copy still runs from
    // it): the swap kept the old image under a name of its own, and the undo
    // must put that one back, not the file in the usual place.
    const std::string older = "a still older program";
    sim::PutFile(kBackup, older);
    sim::SetRunningImage(kBackup, true);
    UpdateAndRestart({});
    sim::SetRunningImage(kBackup, false);
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), older);
    EXPECT_EQ(sim::ReadFileBytes(kRecord), std::string("5.0.0.1"));
}

TEST_F(Restart, WithoutABackupNothingIsUndoneOrShown) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDYES);
    main->TickAndPump();
    main.reset();
    sim::RemovePath(kBackup);
    AwaitRelaunched();
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_FALSE(sim::Exists(kRecord));
    EXPECT_EQ(sim::ProcessStarts().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes().size(), 2u);
}

// The backup cannot be moved back: the update set aside returns to the
// executable's path, which is never left empty, and nothing is recorded.
TEST_F(Restart, AnUndoThatCannotRestoreTheBackupReturnsTheUpdate) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDYES);
    sim::ScriptNextStart({});
    main->TickAndPump();
    main.reset();
    sim::InjectFault(sim::Op::MoveFileEx, 2);  // after the update is moved aside
    AwaitRelaunched();
    EXPECT_EQ(sim::PendingFaultCount(), 0);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    EXPECT_FALSE(sim::Exists(kExe + ".failed"));
    EXPECT_FALSE(sim::Exists(kRecord));
    EXPECT_EQ(sim::MessageBoxes().size(), 2u);
}

// A wait that fails says nothing about the new version: it may well run,
// and its image is not moved aside on a guess.
TEST_F(Restart, AFailedWaitKeepsTheUpdate) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDYES);
    sim::ScriptNextStart({nullptr, true});
    main->TickAndPump();
    main.reset();
    sim::InjectFault(sim::Op::WaitForMultipleObjects, 1);
    AwaitRelaunched();
    EXPECT_EQ(sim::PendingFaultCount(), 0);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_FALSE(sim::Exists(kRecord));
    EXPECT_TRUE(sim::StartedProcessRuns(0));
    EXPECT_EQ(sim::MessageBoxes().size(), 2u);
}

TEST_F(Restart, TheUndoneReleaseIsNotOfferedAgainButANewerOneIs) {
    EXPECT_FALSE(OfferedAt("5.0.0.1", newImage));
    EXPECT_EQ(sim::OpenedUrls(), std::vector<std::string>{kManifestUrl}) << "nothing fetched beyond the manifest";
    EXPECT_TRUE(OfferedAt("5.0.0.2", sim::MakeExecutableImage("5.0.0.2")));
    undoneRecord = "5.0.";  // cut short by a power cut: no record
    EXPECT_TRUE(OfferedAt("5.0.0.1", newImage));
}

}  // namespace
