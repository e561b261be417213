// The install folder and the names in it judged on the objects themselves:
// a link (at the folder or at a name) is never gone through, a file with
// several names is never the program, entries another user put into an
// older version's folder are removed before it is used, and every entry of
// an access list counts.
#include "InstallFixture.h"

#include "install/Uninstall.h"
#include "platform/Security.h"
#include "tests/contract/ContractFiles.h"
#include "tests/sim/SimSecurity.h"

namespace installtest {
namespace {

using sim::Account;
using sim::AccessEntry;
using sim::Everywhere;

const std::string kImage500 = sim::MakeExecutableImage("5.0.0.0");
const std::string kNewer = sim::MakeExecutableImage("9.0.0.0");
const std::string kFolderName = "C:\\ProgramData\\Veltrano";
// The user's own folder, and one of the administrators', with a program
// of theirs (which is not this one).
const std::string kOwnFolder = "C:\\Users\\user\\AppData\\Roaming\\Veltrano";
const std::string kAdminFolder = "C:\\Program Files\\Tools";
const std::string kAdminProgram = kAdminFolder + "\\tool.exe";

const std::vector<AccessEntry> kProtected = {Everywhere(Account::System, sim::kFullControl),
                                             Everywhere(Account::Administrators, sim::kFullControl),
                                             Everywhere(Account::UserA, sim::kFullControl),
                                             Everywhere(Account::Users, sim::kReadExecute)};

class ForeignEntries : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        ASSERT_TRUE(sim::MakeFolder(kOwnFolder));
        ASSERT_TRUE(sim::PutFile(kAdminProgram, kNewer));
        ASSERT_TRUE(sim::SetAccess(kAdminFolder, Account::Administrators,
                                   {Everywhere(Account::System, sim::kFullControl),
                                    Everywhere(Account::Administrators, sim::kFullControl),
                                    Everywhere(Account::Users, sim::kReadExecute)},
                                   true));
        ASSERT_TRUE(sim::SetAccess(kAdminProgram, Account::Administrators, {}, false));
    }
    // As an older version left it: this user's, open to Users.
    static void OlderVersionsFolder() { ASSERT_TRUE(plat::CreateDirectoryA(kFolderName.c_str())); }
    static void Plant(const std::string& path, Account owner) {
        ASSERT_TRUE(sim::SetAccess(path, owner, {Everywhere(owner, sim::kFullControl)}, false));
    }
    // Every start so far ran a file holding this program's own bytes.
    void ExpectOnlyOwnBytesStarted() {
        for (const sim::ProcessStart& start : sim::ProcessStarts())
            EXPECT_EQ(kImage500, sim::ReadFileBytes(start.application).value_or("")) << start.application;
    }
};

// A link at the folder or at the program's name: whatever it leads to (the
// user's own folder, the administrators' program) is never trusted,
// installed into, repaired, started or linked to. A link at the name is
// removed and the program installed in its place; with a link at the
// folder, the program installs the user's own copy instead.
TEST_F(ForeignEntries, NothingIsDoneThroughALink) {
    struct Case {
        const char* what;
        std::function<void()> plant;
        std::string installed;  // the copy installed and started
    };
    const Case cases[] = {
        {"another user's junction to this user's own folder",
         [] {
             ASSERT_TRUE(sim::MakeLink(kFolderName, kOwnFolder, true));
             Plant(kFolderName, Account::UserB);
         },
         kOwnTarget},
        {"this user's own junction to the administrators' folder",
         [] {
             ASSERT_TRUE(sim::MakeLink(kFolderName, kAdminFolder, true));
             ASSERT_TRUE(sim::HardLink(kAdminProgram, kAdminFolder + "\\tarnquill.exe"));
         },
         kOwnTarget},
        {"a symbolic link to a folder, its tag unreadable",
         [] {
             ASSERT_TRUE(sim::MakeLink(kFolderName, kOwnFolder, true, sim::kSymlinkTag));
             ASSERT_TRUE(sim::MarkReparsePoint(kFolderName, sim::kSymlinkTag, true));
         },
         kOwnTarget},
        {"a symbolic link at the program's name to the administrators' program",
         [] {
             ASSERT_TRUE(plat::CreateProtectedDirectoryA(kFolderName.c_str()));
             ASSERT_TRUE(sim::MakeLink(kTarget, kAdminProgram, false, sim::kSymlinkTag));
         },
         kTarget},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.plant();
        const auto ownList = sim::ListFolder(kOwnFolder);
        RunDownloaded(kImage500);

        Step();  // an unexpected question fails the test

        EXPECT_EQ(kNewer, sim::ReadFileBytes(kAdminProgram).value_or(""));
        EXPECT_EQ(ownList, sim::ListFolder(kOwnFolder));
        EXPECT_TRUE(sim::MayAccess(kOwnFolder, Account::UserA, sim::kFullControl));
        EXPECT_TRUE(sim::LinkSaves().empty());
        ExpectOnlyOwnBytesStarted();
        EXPECT_TRUE(Relaunched(c.installed));
        EXPECT_EQ(kImage500, sim::ReadFileBytes(c.installed).value_or(""));
    }
}

// Another name of a program the user trusts (the administrators' own),
// made the program's name in an older version's folder: never started or
// linked to; the name is removed, and the program installs its own copy.
TEST_F(ForeignEntries, AFileWithSeveralNamesIsNeverTheProgram) {
    OlderVersionsFolder();
    ASSERT_TRUE(sim::HardLink(kAdminProgram, kTarget));
    RunDownloaded(kImage500);

    Step();

    EXPECT_TRUE(Relaunched());
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_EQ(kNewer, sim::ReadFileBytes(kAdminProgram).value_or(""));
    ExpectOnlyOwnBytesStarted();
}

// Whatever another user added to an older version's folder goes before it
// is used; what cannot go keeps the folder from being used at all.
TEST_F(ForeignEntries, TheRepairLeavesNothingForeign) {
    OlderVersionsFolder();
    ASSERT_TRUE(contract::WriteBytes(kTarget, sim::MakeExecutableImage("4.0.0.0")));
    sim::SetCurrentUser(Account::UserB);
    ASSERT_TRUE(contract::WriteBytes(kTarget + ".undone", "999.0"));
    ASSERT_TRUE(contract::WriteBytes(kTarget + ".manifest", "<assembly/>"));
    ASSERT_TRUE(plat::CreateDirectoryA((kInstallFolder + "OldExecutable.bak").c_str()));
    ASSERT_TRUE(plat::CreateDirectoryA((kTarget + ".failed").c_str()));
    sim::SetCurrentUser(Account::UserA);
    ASSERT_TRUE(sim::MakeFolder(kTarget + ".new"));  // the user's own, where a file goes
    RunDownloaded(kImage500);

    Step();

    EXPECT_EQ(std::vector<std::string>{"tarnquill.exe"}, sim::ListFolder(kInstallFolder));
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_TRUE(Relaunched());
    EXPECT_FALSE(sim::MayAccess(kInstallFolder, Account::UserB, sim::kWrite));

    // A folder of theirs with a file of theirs in it cannot be removed: the
    // machine's folder is not used, the user's own copy is.
    TearDown();
    SetUp();
    OlderVersionsFolder();
    sim::SetCurrentUser(Account::UserB);
    ASSERT_TRUE(plat::CreateDirectoryA((kTarget + ".failed").c_str()));
    ASSERT_TRUE(contract::WriteBytes(kTarget + ".failed\\kept", "theirs"));
    sim::SetCurrentUser(Account::UserA);
    RunDownloaded(kImage500);
    Step();
    EXPECT_TRUE(Relaunched(kOwnTarget));
    EXPECT_FALSE(sim::Exists(kTarget));
}

// Every entry of a list counts, whatever its type or inheritance: one that
// lets another account change the folder or the program keeps it from being
// trusted as it is; a denying one never does, and a folder that passes is
// never given a list of the program's making.
TEST_F(ForeignEntries, TheWholeAccessListCounts) {
    struct Case {
        const char* what;
        AccessEntry entry;
        bool onTheProgram;
        bool rewritten;  // the folder's list is the program's afterwards
    };
    const Case cases[] = {
        {"inherit-only Users full control on the folder", {Account::Users, sim::kFullControl, false, true, true}, false,
         true},
        {"an object entry letting Users add", {Account::Users, sim::kWrite, true, false, false, false,
                                               sim::EntryType::AllowObject}, false, true},
        {"a denying entry", {Account::UserB, sim::kFullControl, true, true, true, false, sim::EntryType::Deny}, false,
         false},
        {"the installed program writable by Users", Everywhere(Account::Users, sim::kWrite), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        ASSERT_TRUE(plat::CreateProtectedDirectoryA(kFolderName.c_str()));
        ASSERT_TRUE(contract::WriteBytes(kTarget, kNewer));
        std::vector<AccessEntry> list = kProtected;
        if (!c.onTheProgram) list.push_back(c.entry);
        ASSERT_TRUE(sim::SetAccess(kFolderName, Account::UserA, list, true));
        if (c.onTheProgram) {
            ASSERT_TRUE(sim::SetAccess(kTarget, Account::UserA, {c.entry}, false));
        }
        RunDownloaded(kImage500);
        if (!c.onTheProgram) sim::QueueAnswer(plat::IDNO);  // the trusted newer copy's offer

        Step();

        ExpectOnlyOwnBytesStarted();
        EXPECT_FALSE(sim::MayAccess(kTarget, Account::UserB, sim::kWrite));
        bool kept = false;
        for (const AccessEntry& e : sim::AccessListOf(kFolderName))
            kept |= e.who == c.entry.who && e.rights == c.entry.rights && e.type == c.entry.type;
        EXPECT_EQ(c.rewritten, !kept && !c.onTheProgram);
    }
}

// An IT department's folder (SYSTEM's, closed to Users) passes as it is: an
// administrator's session installs into it and never gives it other rights.
TEST_F(ForeignEntries, AnAdministratorNeverRewritesAFolderThatPasses) {
    const std::vector<AccessEntry> theirs = {Everywhere(Account::System, sim::kFullControl),
                                             Everywhere(Account::Administrators, sim::kFullControl),
                                             Everywhere(Account::Users, sim::kReadExecute)};
    ASSERT_TRUE(sim::MakeFolder(kFolderName));
    ASSERT_TRUE(sim::SetAccess(kFolderName, Account::System, theirs, true));
    sim::SetCurrentUser(Account::Administrators);
    RunDownloaded(kImage500);
    Step();
    sim::SetCurrentUser(Account::UserA);
    EXPECT_TRUE(Relaunched());
    EXPECT_EQ(Account::System, sim::OwnerOf(kFolderName));
    const auto list = sim::AccessListOf(kFolderName);
    ASSERT_EQ(theirs.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(theirs[i].who, list[i].who);
        EXPECT_EQ(theirs[i].rights, list[i].rights);
    }
}

// The removal deletes only in the folder itself: through a link at the
// folder's name nothing behind it is deleted.
TEST_F(ForeignEntries, TheRemovalNeverDeletesThroughALink) {
    for (const char* name : {"tarnquill.exe", "OldExecutable.bak", " Veltrano4.lnk", "tarnquill.exe.undone"})
        ASSERT_TRUE(sim::PutFile(kOwnFolder + "\\" + name, "the user's own"));
    ASSERT_TRUE(sim::MakeLink(kFolderName, kOwnFolder, true));
    Plant(kFolderName, Account::UserB);
    const auto before = sim::ListFolder(kOwnFolder);
    RunFrom("C:\\Users\\user\\Downloads\\tarnquill.exe", kImage500, "x /uninstall");

    class NoUpdates final : public UpdateGate {
    public:
        bool Close(const char*, plat::DWORD) override { return true; }
    } gate;
    EXPECT_EQ(kUninstallPartly, RunUninstall(true, gate));

    EXPECT_EQ(before, sim::ListFolder(kOwnFolder));
    EXPECT_TRUE(sim::Exists(kFolderName));
}

}  // namespace
}  // namespace installtest
