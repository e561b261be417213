// "/install /quiet" as a management tool runs it, and the removal of an
// installation made for every user: who installs where, what every user
// gets, what is taken over, and what a standard user's removal does.
#include "InstallFixture.h"

#include "base/ProgramPaths.h"
#include "install/QuietInstall.h"
#include "install/Uninstall.h"
#include "tests/contract/ContractFiles.h"
#include "tests/sim/SimRegistry.h"
#include "tests/sim/SimSecurity.h"

#include <functional>
#include <optional>

namespace installtest {
namespace {

using sim::Account;

const std::string kImage = sim::MakeExecutableImage("5.0.0.0");
const std::string kOlder = sim::MakeExecutableImage("4.0.0.0");
const std::string kNewer = sim::MakeExecutableImage("9.0.0.0");
const std::string kEntry = kUninstallEntryKey;
const std::string kCommonMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
const std::string kUserMenu = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
// Every user's links, and the installing account's own.
const std::vector<std::string> kAllUsersLinks = {"C:\\Users\\Public\\Desktop\\ Veltrano.lnk",
                                                 kCommonMenu + "\\ Veltrano.lnk",
                                                 kCommonMenu + "\\Programs\\ Veltrano\\ Veltrano.lnk"};
const std::vector<std::string> kUsersLinks = {"C:\\Users\\user\\Desktop\\ Veltrano.lnk", kUserMenu + "\\ Veltrano.lnk",
                                              kUserMenu + "\\Programs\\ Veltrano\\ Veltrano.lnk"};
const std::string kSystemProfile = "C:\\Windows\\system32\\config\\systemprofile\\AppData\\Local";

class Gate final : public UpdateGate {
public:
    bool Close(const char*, plat::DWORD) override { return open; }
    bool open = true;
};

class Deployment : public InstallTest {
protected:
    void TearDown() override {
        sim::SetCurrentUser(Account::UserA);
        InstallTest::TearDown();
    }
    int Install(Account as, const std::string& image = kImage) {
        sim::SetCurrentUser(as);
        RunFrom(kDownloaded, image, "\"" + kDownloaded + "\" /install /quiet");
        return RunQuietInstall(m_gate);
    }
    static bool LinksTo(const std::vector<std::string>& links, const std::string& target) {
        for (const std::string& link : links) {
            const auto file = sim::ReadLink(link);
            if (!file || file->target != target) return false;
        }
        return true;
    }
    static bool NoneOf(const std::vector<std::string>& links) {
        for (const std::string& link : links)
            if (sim::Exists(link)) return false;
        return true;
    }
    // Every user may start it, only administrators may change it, and no
    // person's account is named.
    void ExpectMachinesInstallation() const {
        EXPECT_EQ(kImage, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_EQ(Account::Administrators, sim::OwnerOf(kInstallFolder));
        for (const std::string& path : {kInstallFolder, kTarget}) {
            for (Account user : {Account::UserA, Account::UserB}) {
                EXPECT_TRUE(sim::MayAccess(path, user, sim::kReadExecute)) << path;
                EXPECT_FALSE(sim::MayAccess(path, user, sim::kWrite)) << path;
                EXPECT_FALSE(sim::MayAccess(path, user, sim::kChangeRights)) << path;
            }
            for (const sim::AccessEntry& e : sim::AccessListOf(path))
                EXPECT_TRUE(e.who != Account::UserA && e.who != Account::UserB) << path;
        }
        EXPECT_TRUE(sim::Exists(kMarker));
        EXPECT_TRUE(LinksTo(kAllUsersLinks, kTarget));
        EXPECT_TRUE(NoneOf(kUsersLinks));
        EXPECT_EQ("\"" + kTarget + "\" /uninstall /quiet",
                  sim::MachineRegistryString(kEntry, "QuietUninstallString").value_or(""));
        EXPECT_EQ("5.0.0.0", sim::MachineRegistryString(kEntry, "DisplayVersion").value_or(""));
        EXPECT_FALSE(sim::RegistryKeyExists(kEntry));
        EXPECT_TRUE(NothingStartedOrClosed());
        EXPECT_TRUE(sim::MessageBoxes().empty());
    }

    Gate m_gate;
};

TEST_F(Deployment, AnAdministratorOrSystemInstallsForEveryUser) {
    for (Account as : {Account::Administrators, Account::System}) {
        SCOPED_TRACE(as == Account::System ? "SYSTEM" : "elevated administrator");
        TearDown();
        SetUp();
        sim::SetSpecialFolder(plat::CSIDL_LOCAL_APPDATA, kSystemProfile);
        // The installing account's own entry for the folder: one line in the list.
        sim::PutRegistryString(kEntry, "InstallLocation", "C:\\ProgramData\\Veltrano");
        EXPECT_EQ(kInstallDone, Install(as));
        ExpectMachinesInstallation();
        EXPECT_FALSE(sim::Exists(kSystemProfile + "\\Veltrano"));
    }
}

// A folder that fails the rule is the machine's all the same: taken over,
// emptied of what is not the program's, or made anew where a link or a file
// stood (what a link leads to is never touched).
TEST_F(Deployment, AFolderThatFailsTheRuleIsTakenOver) {
    const std::string elsewhere = "C:\\Users\\userb\\stash";
    const struct {
        const char* what;
        std::function<void()> plant;
    } cases[] = {
        {"another user's folder and program",
         [] {
             sim::SetCurrentUser(Account::UserB);
             ASSERT_TRUE(plat::CreateDirectoryA(kInstallFolder.c_str()));
             ASSERT_TRUE(contract::WriteBytes(kTarget, kNewer));
             ASSERT_TRUE(contract::WriteBytes(kInstallFolder + "tarnquill.exe.manifest", "x"));
         }},
        {"an older version's folder, another user's backup in it",
         [] {
             ASSERT_TRUE(plat::CreateDirectoryA(kInstallFolder.c_str()));
             ASSERT_TRUE(contract::WriteBytes(kTarget, kOlder));
             sim::SetCurrentUser(Account::UserB);
             ASSERT_TRUE(contract::WriteBytes(kInstallFolder + "OldExecutable.bak", kNewer));
         }},
        {"a link at the folder",
         [&] {
             ASSERT_TRUE(sim::PutFile(elsewhere + "\\tarnquill.exe", kNewer));
             ASSERT_TRUE(sim::MakeLink("C:\\ProgramData\\Veltrano", elsewhere, true));
         }},
        {"a file at the folder's name", [] { ASSERT_TRUE(sim::PutFile("C:\\ProgramData\\Veltrano", "x")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.plant();
        EXPECT_EQ(kInstallDone, Install(Account::Administrators));
        ExpectMachinesInstallation();
        EXPECT_FALSE(sim::Exists(kInstallFolder + "tarnquill.exe.manifest"));
        EXPECT_NE(kNewer, sim::ReadFileBytes(kInstallFolder + "OldExecutable.bak").value_or(""));
        if (sim::Exists(elsewhere)) {
            EXPECT_EQ(kNewer, sim::ReadFileBytes(elsewhere + "\\tarnquill.exe").value_or(""));
        }
    }
}

// Replaced as an update replaces it: a running copy is renamed aside and
// keeps running its old code; a newer copy is kept and nothing changes.
TEST_F(Deployment, TheInstalledCopyIsReplacedAsideOrANewerOneKept) {
    ASSERT_EQ(kInstallDone, Install(Account::Administrators, kOlder));
    sim::SetRunningImage(kTarget, true);
    EXPECT_EQ(kInstallDone, Install(Account::Administrators));
    EXPECT_EQ(kImage, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_EQ(kOlder, sim::ReadFileBytes(kInstallFolder + "OldExecutable.bak").value_or(""));

    ASSERT_TRUE(sim::RemovePath(kAllUsersLinks[0]));
    EXPECT_EQ(kInstallDone, Install(Account::Administrators, kOlder));
    EXPECT_EQ(kImage, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_FALSE(sim::Exists(kAllUsersLinks[0]));  // nothing changed
}

// A standard user's silent installation is the one a start makes, the
// offer answered Yes: the machine's folder when it passes, else their own.
TEST_F(Deployment, AStandardUserInstallsForThemselvesWithTheirLinks) {
    for (const bool planted : {false, true}) {
        SCOPED_TRACE(planted ? "another user's folder" : "no folder yet");
        TearDown();
        SetUp();
        if (planted) {
            sim::SetCurrentUser(Account::UserB);
            ASSERT_TRUE(plat::CreateDirectoryA(kInstallFolder.c_str()));
        }
        EXPECT_EQ(kInstallDone, Install(Account::UserA));
        const std::string& target = planted ? kOwnTarget : kTarget;
        EXPECT_EQ(kImage, sim::ReadFileBytes(target).value_or(""));
        EXPECT_TRUE(LinksTo({kUsersLinks[1], kUsersLinks[2]}, target));
        EXPECT_EQ(planted, NoneOf({kAllUsersLinks[1]}));
        EXPECT_EQ(target.substr(0, target.size() - 14), sim::RegistryString(kEntry, "InstallLocation").value_or(""));
        EXPECT_TRUE(NothingStartedOrClosed());
        EXPECT_TRUE(sim::MessageBoxes().empty());
    }
}

TEST_F(Deployment, EachFailureHasItsExitCodeAndChangesNothing) {
    const struct {
        const char* what;
        std::function<void(Gate&)> arrange;
        std::string image;
        int code;
    } cases[] = {
        {"no folder can be made", [](Gate&) { sim::InjectFault(sim::Op::CreateProtectedDirectory, 1, sim::Fault::Always()); }, kImage,
         kInstallFolderUnusable},
        {"another's folder cannot be taken over",
         [](Gate&) {
             sim::SetCurrentUser(Account::UserB);
             ASSERT_TRUE(plat::CreateDirectoryA(kInstallFolder.c_str()));
             sim::InjectFault(sim::Op::TakeOverDirectory, 1);
         },
         kImage, kInstallFolderUnusable},
        {"the image cannot be written", [](Gate&) { sim::InjectFault(sim::Op::WriteFile, 1); }, kImage,
         kInstallWriteFailed},
        {"an update holds the lock", [](Gate& gate) { gate.open = false; }, kImage, kInstallUpdateBusy},
        {"the running file carries no version", [](Gate&) {}, "MZ no version", kInstallNoImage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        m_gate.open = true;
        c.arrange(m_gate);
        EXPECT_EQ(c.code, Install(Account::Administrators, c.image));
        EXPECT_FALSE(sim::Exists(kTarget));
        EXPECT_FALSE(sim::Exists(kMarker));
        EXPECT_FALSE(sim::MachineRegistryString(kEntry, "DisplayName"));
    }
}

// An installation for every user is an administrator's to remove: the
// elevated removal takes everything; a standard user's asks Windows to
// elevate it, and removes nothing when that is refused.
TEST_F(Deployment, AnInstallationForEveryUserIsRemovedByAnAdministrator) {
    const struct {
        const char* what;
        Account as;
        bool quiet;
        std::optional<std::optional<plat::DWORD>> elevation;  // none: no prompt expected
        int code;
        bool removed;
    } cases[] = {
        {"elevated, quiet", Account::Administrators, true, std::nullopt, kUninstallDone, true},
        {"SYSTEM, quiet", Account::System, true, std::nullopt, kUninstallDone, true},
        {"standard user, elevation refused", Account::UserA, false, std::optional<plat::DWORD>(), kUninstallNeedsAdministrator, false},
        {"standard user, quiet, refused", Account::UserA, true, std::optional<plat::DWORD>(), kUninstallNeedsAdministrator, false},
        {"standard user, elevated removal ends with 1", Account::UserA, false, std::optional<plat::DWORD>(1), 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        ASSERT_EQ(kInstallDone, Install(Account::Administrators));
        sim::SetCurrentUser(c.as);
        RunFrom(kTarget, kImage, "\"" + kTarget + "\" /uninstall");
        sim::SetRunningImage(kTarget, true);
        if (c.elevation) sim::AnswerElevation(*c.elevation);
        if (c.code == kUninstallNeedsAdministrator && !c.quiet) sim::QueueAnswer(plat::IDOK);
        Gate gate;
        EXPECT_EQ(c.code, RunUninstall(c.quiet, gate));
        const auto prompts = sim::ElevationPrompts();
        if (c.elevation) {
            ASSERT_EQ(1u, prompts.size());
            EXPECT_EQ(kTarget, prompts[0].file);
            EXPECT_EQ(c.quiet ? "/uninstall /quiet" : "/uninstall", prompts[0].parameters);
        } else {
            EXPECT_TRUE(prompts.empty());
        }
        EXPECT_EQ(c.removed, !sim::Exists(kInstallFolder));
        EXPECT_EQ(c.removed, NoneOf(kAllUsersLinks));
        EXPECT_EQ(c.removed, !sim::MachineRegistryString(kEntry, "DisplayName"));
        const std::size_t boxes = c.code == kUninstallNeedsAdministrator && !c.quiet ? 1 : 0;
        EXPECT_EQ(boxes, sim::MessageBoxes().size());
    }
}

}  // namespace
}  // namespace installtest
