// Names beside the executable that another user of the machine may have
// taken first: a folder at the backup's or the undone image's name stops
// neither the swap nor the undo, the undo's record counts only when it is
// the program's own, and it is never written through a link.
#include "UpdateWorld.h"

#include "update/UpdateUndo.h"
#include "tests/contract/ContractFiles.h"
#include "tests/sim/SimSecurity.h"

using namespace updtest;

namespace {

const std::string kRecord = kExe + ".undone";
const std::string kFailed = kExe + ".failed";

class ForeignNames : public UpdateWorld {
protected:
    // Made by another user of the machine, who may add to the folder.
    static void AsUserB(const std::function<void()>& what) {
        sim::SetCurrentUser(sim::Account::UserB);
        what();
        sim::SetCurrentUser(sim::Account::UserA);
    }
};

TEST_F(ForeignNames, AFolderAtTheBackupsNameDoesNotStopTheSwap) {
    AsUserB([] { ASSERT_TRUE(plat::CreateDirectoryA(kBackup.c_str())); });
    sim::PutFile(kTempDir + "new.exe", newImage);
    EXPECT_TRUE(Updater().ReplaceExecutable(kExe.c_str(), (kTempDir + "new.exe").c_str(), false));
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kFolder + "\\OldExecutable.4242.bak"), oldImage);
}

TEST_F(ForeignNames, AFolderAtTheUndoneImagesNameDoesNotStopTheUndo) {
    sim::SetRunningImage(kExe, false);
    sim::PutFile(kExe, newImage);
    sim::PutFile(kBackup, oldImage);
    AsUserB([] { ASSERT_TRUE(plat::CreateDirectoryA(kFailed.c_str())); });
    sim::QueueAnswer(plat::IDOK);
    EXPECT_TRUE(UndoUpdate(kExe.c_str()));
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    EXPECT_EQ(sim::ReadFileBytes(kRecord), std::string("5.0.0.1"));
}

// The record stops offers only when it is the program's own: made by a
// trusted account, one name, no link, nobody else able to change it.
TEST_F(ForeignNames, TheUndosRecordCountsOnlyWhenItIsTheProgramsOwn) {
    const std::string own = "C:\\Users\\user\\record";
    struct Case {
        const char* what;
        std::function<void()> plant;
        bool counts;
    };
    const Case cases[] = {
        {"this user's record", [] { sim::PutFile(kRecord, "999.0"); }, true},
        {"another user's record", [] { AsUserB([] { ASSERT_TRUE(contract::WriteBytes(kRecord, "999.0")); }); }, false},
        {"this user's record, writable by Users",
         [] {
             sim::PutFile(kRecord, "999.0");
             sim::SetAccess(kRecord, sim::Account::UserA, {sim::Everywhere(sim::Account::Users, sim::kWrite)}, false);
         },
         false},
        {"another name of this user's file",
         [&] {
             sim::PutFile(own, "999.0");
             ASSERT_TRUE(sim::HardLink(own, kRecord));
         },
         false},
        {"a link to this user's file",
         [&] {
             sim::PutFile(own, "999.0");
             ASSERT_TRUE(sim::MakeLink(kRecord, own, false, sim::kSymlinkTag));
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.plant();
        EXPECT_EQ(c.counts, IsUndoneRelease(kExe.c_str(), "6.0"));
    }
}

// The undo writes its record anew, never through a link at its name.
TEST_F(ForeignNames, TheRecordIsNeverWrittenThroughALink) {
    const std::string own = "C:\\Users\\user\\notes.txt";
    sim::PutFile(own, "the user's notes");
    ASSERT_TRUE(sim::MakeLink(kRecord, own, false, sim::kSymlinkTag));
    sim::SetRunningImage(kExe, false);
    sim::PutFile(kExe, newImage);
    sim::PutFile(kBackup, oldImage);
    sim::QueueAnswer(plat::IDOK);
    EXPECT_TRUE(UndoUpdate(kExe.c_str()));
    EXPECT_EQ(sim::ReadFileBytes(own), std::string("the user's notes"));
}

}  // namespace
