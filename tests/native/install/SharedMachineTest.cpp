// The install folder on a machine shared with another local user, who may
// make files and folders in the common application data folder before this
// user installs: nothing of theirs is ever started, installed into, swapped
// in or linked to, and what this user installs every user can start and
// nobody else can change.
#include "InstallFixture.h"

#include "platform/Security.h"
#include "tests/contract/ContractFiles.h"
#include "tests/sim/SimSecurity.h"

#include <functional>

namespace installtest {
namespace {

using sim::Account;

const std::string kImage500 = sim::MakeExecutableImage("5.0.0.0");
const std::string kImage400 = sim::MakeExecutableImage("4.0.0.0");

class SharedMachine : public InstallTest {
protected:
    // Done as user B, through the simulated calls, so B's rights are checked.
    static void AsUserB(const std::function<void()>& what) {
        sim::SetCurrentUser(Account::UserB);
        what();
        sim::SetCurrentUser(Account::UserA);
    }
    // The folder as an older version left it: made by this user with no
    // rights of its own, so Users may still add files to it.
    static void OlderVersionsFolder() { ASSERT_TRUE(plat::CreateDirectoryA(kInstallFolder.c_str())); }

    // The installed program is this user's, every user can start it, and
    // nobody else can change it or add anything beside it.
    static void ExpectProtectedInstall() {
        EXPECT_EQ(Account::UserA, sim::OwnerOf(kTarget));
        EXPECT_TRUE(sim::MayAccess(kTarget, Account::UserB, sim::kReadExecute));
        EXPECT_FALSE(sim::MayAccess(kTarget, Account::UserB, sim::kWrite));
        EXPECT_FALSE(sim::MayAccess(kTarget, Account::UserB, sim::kDelete));
        EXPECT_FALSE(sim::MayAccess(kInstallFolder, Account::UserB, sim::kWrite));
        EXPECT_FALSE(sim::MayAccess(kInstallFolder, Account::UserB, sim::kChangeRights));
    }
};

TEST_F(SharedMachine, TheInstalledFolderIsProtectedAndAnOlderVersionsFolderIsRepaired) {
    for (const bool older : {false, true}) {
        SCOPED_TRACE(older ? "older version's folder" : "first installation");
        TearDown();
        SetUp();
        if (older) {
            OlderVersionsFolder();
            ASSERT_TRUE(contract::WriteBytes(kTarget, kImage400));
        }
        RunDownloaded(kImage500);
        Step();
        EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_TRUE(Relaunched());
        ExpectProtectedInstall();
    }
}

// Another user's folder: whatever is in it, nothing there is written,
// started or linked to; the user's own copy is installed and started. Another user's file at the
// install target in an older version's folder goes before this copy
// installs itself there.
struct Planted {
    const char* what;
    bool folderIsTheirs;
    std::string image;  // B's file at the install target; empty: none
};

TEST_F(SharedMachine, AnotherUsersFolderOrExecutableIsNeverUsed) {
    const Planted cases[] = {
        {"their empty folder", true, ""},
        {"their folder, an older program", true, kImage400},
        {"their folder, a newer program", true, sim::MakeExecutableImage("9.0.0.0")},
        {"an older version's folder, their older program", false, kImage400},
        {"an older version's folder, their newer program", false, sim::MakeExecutableImage("9.0.0.0")},
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (!c.folderIsTheirs) OlderVersionsFolder();
        AsUserB([&] {
            if (c.folderIsTheirs) {
                ASSERT_TRUE(plat::CreateDirectoryA(kInstallFolder.c_str()));
            }
            if (!c.image.empty()) {
                ASSERT_TRUE(contract::WriteBytes(kTarget, c.image));
            }
        });
        const auto before = sim::ListFolder(kInstallFolder);
        RunDownloaded(kImage500);

        Step();  // an unexpected question fails the test

        EXPECT_TRUE(sim::MessageBoxes().empty());
        EXPECT_TRUE(sim::LinkSaves().empty());
        if (!c.folderIsTheirs) {
            EXPECT_TRUE(Relaunched());
            EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
            ExpectProtectedInstall();
            continue;
        }
        EXPECT_TRUE(Relaunched(kOwnTarget));
        EXPECT_EQ(before, sim::ListFolder(kInstallFolder));
        if (!c.image.empty()) {
            EXPECT_EQ(c.image, sim::ReadFileBytes(kTarget).value_or(""));
        }
    }
}

// A staging file another user left in an older version's folder, open for
// everyone to write, is never written, moved in or started: it goes.
TEST_F(SharedMachine, APlantedStagingFileIsNeverReused) {
    for (const std::string& planted : {kTarget + ".new", kStaged}) {
        SCOPED_TRACE(planted);
        TearDown();
        SetUp();
        OlderVersionsFolder();
        ASSERT_TRUE(contract::WriteBytes(kTarget, kImage400));
        AsUserB([&] { ASSERT_TRUE(contract::WriteBytes(planted, "their bytes")); });
        ASSERT_TRUE(sim::SetAccess(planted, Account::UserB, {sim::Everywhere(Account::Users, sim::kFullControl)}, false));
        RunDownloaded(kImage500);

        Step();

        EXPECT_FALSE(sim::Exists(planted));
        EXPECT_TRUE(Relaunched());
        EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
        ExpectProtectedInstall();
    }
}

// A browser saves a second download as "tarnquill (1).exe": every link and
// the marker still lead to the installed program.
TEST_F(SharedMachine, ADownloadUnderAnotherNameLinksTheInstalledProgram) {
    ASSERT_TRUE(plat::CreateProtectedDirectoryA(kInstallFolder.c_str()));
    ASSERT_TRUE(contract::WriteBytes(kTarget, kImage500));
    const std::string download = "C:\\Users\\user\\Downloads\\tarnquill (1).exe";
    RunFrom(download, kImage500, "\"" + download + "\"");
    sim::QueueAnswer(plat::IDYES);

    Step();

    const auto saves = sim::LinkSaves();
    ASSERT_EQ(6u, saves.size());
    for (const sim::LinkSave& save : saves) {
        SCOPED_TRACE(save.file);
        const bool desktop = save.file == "C:\\Users\\user\\Desktop\\ Veltrano.lnk";
        EXPECT_EQ(desktop ? kInstallFolder + "tarnquill" : kTarget, save.target);
        EXPECT_TRUE(save.written);
    }
    EXPECT_EQ(kMarker, saves[0].file);
    EXPECT_TRUE(NothingStartedOrClosed());
}

}  // namespace
}  // namespace installtest
