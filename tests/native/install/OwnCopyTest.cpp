// A shared machine seen by a second user: where the machine's folder is not
// theirs to trust, they get a copy of their own under their profile, with
// their own links and entry; a start uses the newer of the two copies; and a
// copy started from a folder that fails the rule installs nothing.
#include "InstallFixture.h"

#include "base/ProgramPaths.h"
#include "install/InstallDecision.h"
#include "install/Shortcuts.h"
#include "install/Uninstall.h"
#include "platform/Security.h"
#include "tests/contract/ContractFiles.h"
#include "tests/sim/SimRegistry.h"
#include "tests/sim/SimSecurity.h"

namespace installtest {
namespace {

using sim::Account;

const std::string kImage500 = sim::MakeExecutableImage("5.0.0.0");
const std::string kImage510 = sim::MakeExecutableImage("5.1.0.0");
// User B's profile and their own copy in it.
const std::string kProfileB = "C:\\Users\\userb";
const std::string kDesktopB = kProfileB + "\\Desktop";
const std::string kMenuB = kProfileB + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
const std::string kOwnFolderB = kProfileB + "\\AppData\\Local\\Veltrano\\";
const std::string kOwnTargetB = kOwnFolderB + "tarnquill.exe";
const std::string kDownloadedB = kProfileB + "\\Downloads\\tarnquill.exe";
const std::string kCommonMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
const std::string kEntry = kUninstallEntryKey;

class OwnCopy : public InstallTest {
protected:
    void TearDown() override {
        sim::SetCurrentUser(Account::UserA);
        InstallTest::TearDown();
    }
    // User A installed the program (as the installation makes it: A, SYSTEM
    // and Administrators may change it); from now on user B is at the
    // machine, with a profile of their own.
    void InstalledByAThenB(const std::string& image = kImage500) {
        ASSERT_TRUE(plat::CreateProtectedDirectoryA(kInstallFolder.c_str()));
        ASSERT_TRUE(contract::WriteBytes(kTarget, image));
        for (const std::string& folder : {kDesktopB, kMenuB + "\\Programs", kProfileB + "\\AppData\\Local\\Temp",
                                          kProfileB + "\\Downloads"})
            ASSERT_TRUE(sim::MakeFolder(folder));
        ASSERT_TRUE(sim::SetAccess(kProfileB, Account::UserB,
                                   {sim::Everywhere(Account::System, sim::kFullControl),
                                    sim::Everywhere(Account::Administrators, sim::kFullControl),
                                    sim::Everywhere(Account::UserB, sim::kFullControl)},
                                   true));
        sim::SetSpecialFolder(plat::CSIDL_DESKTOPDIRECTORY, kDesktopB);
        sim::SetSpecialFolder(plat::CSIDL_STARTMENU, kMenuB);
        sim::SetSpecialFolder(plat::CSIDL_PROGRAMS, kMenuB + "\\Programs");
        sim::SetSpecialFolder(plat::CSIDL_LOCAL_APPDATA, kProfileB + "\\AppData\\Local");
        sim::SetTempPath(kProfileB + "\\AppData\\Local\\Temp\\");
        sim::SetCurrentUser(Account::UserB);
    }
    void RunAs(const std::string& path, const std::string& image) {
        if (!sim::Exists(path)) {
            ASSERT_TRUE(sim::PutFile(path, image));
        }
        sim::SetModulePath(path);
        sim::SetCommandLine("\"" + path + "\"");
    }
    std::vector<std::string> LinksWritten() const {
        std::vector<std::string> files;
        for (const sim::LinkSave& save : sim::LinkSaves()) files.push_back(save.file);
        return files;
    }
};

// Another user's folder: the download installs B's own copy and starts it;
// its offer writes the marker and B's three links to it, never all users';
// its entry names it; its removal removes it and nothing of A's.
TEST_F(OwnCopy, AnotherUsersFolderGivesACopyOfOnesOwn) {
    InstalledByAThenB();
    const auto machineFolder = sim::ListFolder(kInstallFolder);
    RunAs(kDownloadedB, kImage500);

    Step();

    EXPECT_TRUE(Relaunched(kOwnTargetB));
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kOwnTargetB).value_or(""));
    EXPECT_EQ(kOwnFolderB, sim::ProcessStarts()[0].currentDirectory);
    // Made protected: nobody else may change it.
    EXPECT_FALSE(sim::MayAccess(kOwnFolderB, Account::UserA, sim::kWrite));
    EXPECT_EQ(machineFolder, sim::ListFolder(kInstallFolder));
    EXPECT_EQ("\"" + kOwnTargetB + "\" /uninstall", sim::RegistryString(kEntry, "UninstallString").value_or(""));
    EXPECT_EQ(kProfileB + "\\AppData\\Local\\Veltrano", sim::RegistryString(kEntry, "InstallLocation").value_or(""));

    // The own copy's start: it stays, and offers its shortcuts.
    RunAs(kOwnTargetB, kImage500);
    sim::QueueAnswer(plat::IDYES);
    Step();
    EXPECT_EQ(1u, sim::ProcessStarts().size());
    EXPECT_EQ(1, CloseMessages());
    EXPECT_EQ((std::vector<std::string>{kOwnFolderB + " Veltrano4.lnk", kDesktopB + "\\ Veltrano.lnk",
                                        kMenuB + "\\ Veltrano.lnk", kMenuB + "\\Programs\\ Veltrano\\ Veltrano.lnk"}),
              LinksWritten());
    for (const sim::LinkSave& save : sim::LinkSaves())
        EXPECT_EQ(save.file == kDesktopB + "\\ Veltrano.lnk" ? kOwnFolderB + "tarnquill" : kOwnTargetB, save.target);
    EXPECT_FALSE(sim::Exists(kCommonMenu + "\\ Veltrano.lnk"));

    // Its removal: B's copy, links and entry go; A's installation stays.
    sim::SetCommandLine("\"" + kOwnTargetB + "\" /uninstall");
    sim::SetRunningImage(kOwnTargetB, true);
    struct NoUpdates final : UpdateGate {
        bool Close(const char*, plat::DWORD) override { return true; }
    } gate;
    EXPECT_EQ(kUninstallDone, RunUninstall(true, gate));
    for (const std::string& gone : LinksWritten()) EXPECT_FALSE(sim::Exists(gone)) << gone;
    EXPECT_FALSE(sim::Exists(kOwnFolderB));
    EXPECT_FALSE(sim::RegistryKeyExists(kEntry));
    EXPECT_EQ(machineFolder, sim::ListFolder(kInstallFolder));
}

// Started from a folder that fails the rule (an older all-users link into
// A's folder): that image may be anyone's, so it is installed nowhere; the
// user's own copy, when there is one, is started instead.
TEST_F(OwnCopy, ACopyStartedFromAFailingFolderInstallsNothing) {
    for (const bool ownCopy : {false, true}) {
        SCOPED_TRACE(ownCopy ? "an own copy there" : "no own copy");
        TearDown();
        SetUp();
        InstalledByAThenB(kImage510);
        if (ownCopy) {
            ASSERT_TRUE(plat::CreateProtectedDirectoryA(kOwnFolderB.c_str()));
            ASSERT_TRUE(contract::WriteBytes(kOwnTargetB, kImage500));
        }
        RunAs(kTarget, kImage510);

        Step("5.1");  // an unexpected question fails the test

        EXPECT_EQ(ownCopy ? kImage500 : "", sim::ReadFileBytes(kOwnTargetB).value_or(""));
        EXPECT_EQ(ownCopy, sim::Exists(kOwnFolderB));
        EXPECT_TRUE(ownCopy ? Relaunched(kOwnTargetB) : NothingStartedOrClosed());
        EXPECT_TRUE(sim::LinkSaves().empty());
    }
}

// B's links and entry from the time A's folder was still theirs to use
// lead into it: the own copy's start leads them to the own copy. All
// users' links, and B's links to elsewhere, stay as they are.
TEST_F(OwnCopy, TheUsersLinksIntoAFailingFolderAreLedToTheOwnCopy) {
    InstalledByAThenB();
    ASSERT_TRUE(plat::CreateProtectedDirectoryA(kOwnFolderB.c_str()));
    ASSERT_TRUE(contract::WriteBytes(kOwnTargetB, kImage500));
    ASSERT_TRUE(contract::WriteBytes(kOwnFolderB + " Veltrano4.lnk", "marker"));
    const struct {
        std::string link, target;
        bool led;
    } links[] = {
        {kDesktopB + "\\ Veltrano.lnk", kInstallFolder + "tarnquill", true},
        {kMenuB + "\\ Veltrano.lnk", kTarget, true},
        {kMenuB + "\\Programs\\ Veltrano\\ Veltrano.lnk", "C:\\Tools\\tarnquill.exe", false},
        {kCommonMenu + "\\ Veltrano.lnk", kTarget, false},
    };
    ASSERT_TRUE(sim::MakeFolder(kMenuB + "\\Programs\\ Veltrano"));
    for (const auto& l : links) {
        // All users' link is A's.
        sim::SetCurrentUser(l.link == links[3].link ? Account::UserA : Account::UserB);
        ASSERT_TRUE(CreateShortcut(l.target.c_str(), l.link.c_str(), ""));
    }
    sim::SetCurrentUser(Account::UserB);
    sim::PutRegistryString(kEntry, "DisplayVersion", "5.0.0.0");
    sim::PutRegistryString(kEntry, "InstallLocation", "C:\\ProgramData\\Veltrano");
    RunAs(kOwnTargetB, kImage500);

    Step();

    for (const auto& l : links) {
        const bool desktop = l.link == links[0].link;
        EXPECT_EQ(l.led ? (desktop ? kOwnFolderB + "tarnquill" : kOwnTargetB) : l.target,
                  sim::ReadLink(l.link).value_or(sim::LinkFile{}).target)
            << l.link;
    }
    EXPECT_EQ(kProfileB + "\\AppData\\Local\\Veltrano", sim::RegistryString(kEntry, "InstallLocation").value_or(""));
    EXPECT_TRUE(NothingStartedOrClosed());
}

// Which copy a start uses: the machine's when it passes the rule and is not
// older than the own one, else the own one; a download installs into the
// one it would use when it is newer, and otherwise offers its shortcuts.
TEST(CopyChoice, TheMachinesCopyUnlessTheOwnIsNewerOrTheMachinesFails) {
    const CopyFacts none{false, ""}, usableEmpty{true, ""}, machine50{true, "5.0.0.0"}, own50{true, "5.0.0.0"},
        own51{true, "5.1.0.0"};
    const struct {
        const char* what;
        Copy running;
        const char* version;
        CopyFacts machine, own;
        StartAction action;
        Copy copy;
    } rows[] = {
        {"download, machine's empty", Copy::None, "5.0", usableEmpty, none, StartAction::Install, Copy::Machine},
        {"download, machine's fails", Copy::None, "5.0", none, usableEmpty, StartAction::Install, Copy::Own},
        {"download, nowhere to go", Copy::None, "5.0", none, none, StartAction::RunHere, Copy::None},
        {"older download, own newer", Copy::None, "5.0", machine50, own51, StartAction::Offer, Copy::Own},
        {"machine's, own newer", Copy::Machine, "5.0", machine50, own51, StartAction::Switch, Copy::Own},
        {"machine's failing, no own", Copy::Machine, "5.1", none, usableEmpty, StartAction::RunHere, Copy::Own},
        {"own, machine's equal", Copy::Own, "5.0", machine50, own50, StartAction::Switch, Copy::Machine},
        {"own, machine's older", Copy::Own, "5.1", machine50, own51, StartAction::Stay, Copy::Own},
        {"own failing, machine's empty", Copy::Own, "5.0", usableEmpty, none, StartAction::RunHere, Copy::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const StartPlan plan = PlanStart(row.running, row.version, row.machine, row.own);
        EXPECT_EQ(row.action, plan.action);
        if (row.action != StartAction::RunHere) {
            EXPECT_EQ(row.copy, plan.copy);
        }
    }
}

// The same choice on the machine: an administrator's newer machine copy
// brings B back to it, and B's newer own copy keeps B from an older one.
TEST_F(OwnCopy, AStartUsesTheNewerOfTheTwoCopies) {
    for (const bool machineNewer : {true, false}) {
        SCOPED_TRACE(machineNewer ? "machine's copy newer" : "own copy newer");
        TearDown();
        SetUp();
        InstalledByAThenB(machineNewer ? kImage510 : kImage500);
        sim::SetCurrentUser(Account::UserA);
        // Made over by an administrator: SYSTEM and Administrators alone.
        ASSERT_TRUE(sim::SetAccess(kInstallFolder, Account::Administrators,
                                   {sim::Everywhere(Account::System, sim::kFullControl),
                                    sim::Everywhere(Account::Administrators, sim::kFullControl),
                                    sim::Everywhere(Account::Users, sim::kReadExecute)},
                                   true));
        ASSERT_TRUE(sim::SetAccess(kTarget, Account::Administrators, {}, false));
        sim::SetCurrentUser(Account::UserB);
        ASSERT_TRUE(plat::CreateProtectedDirectoryA(kOwnFolderB.c_str()));
        ASSERT_TRUE(contract::WriteBytes(kOwnTargetB, machineNewer ? kImage500 : kImage510));
        const std::string running = machineNewer ? kOwnTargetB : kTarget;
        RunAs(running, kImage500);

        Step("5.0");

        EXPECT_TRUE(Relaunched(machineNewer ? kTarget : kOwnTargetB));
    }
}

}  // namespace
}  // namespace installtest
