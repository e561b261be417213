// What the support log says of a start's decision, that the log alone in
// the user's folder is no installed copy, and that a removal which leaves
// nothing takes the log with it while one that leaves something says what.
#include "InstallFixture.h"
#include "SupportLogFile.h"

#include "base/ProgramPaths.h"
#include "install/QuietInstall.h"
#include "install/Uninstall.h"
#include "platform/Kernel.h"
#include "tests/sim/SimRegistry.h"
#include "tests/sim/SimSecurity.h"

#include <functional>

namespace installtest {
namespace {

using logtest::ReadLog;

const std::string kImage = sim::MakeExecutableImage("5.0.0.0");
const std::string kMachine = "; machine C:\\ProgramData\\Veltrano\\ ";
const std::string kOwn = "; own C:\\Users\\user\\AppData\\Local\\Veltrano\\ ";

struct NoUpdates final : UpdateGate {
    bool Close(const char*, plat::DWORD) override { return true; }
};

class InstallLog : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        logtest::OpenLog();  // as every start does, before the decision
    }
    void TearDown() override {
        logtest::CloseLog();
        InstallTest::TearDown();
    }
    int Uninstall(const std::string& exe) {
        sim::SetCommandLine("\"" + exe + "\" /uninstall");
        sim::SetModulePath(exe);
        sim::SetRunningImage(exe, true);
        NoUpdates gate;
        return RunUninstall(true, gate);
    }
};

TEST_F(InstallLog, AStartSaysWhichFolderItUsesAndWhyNotTheOther) {
    const struct {
        const char* what;
        std::function<void()> plant;
        std::string decision;
        std::string installed;
    } rows[] = {
        // The log's folder is there already: no copy is taken from it.
        {"nothing installed", [] {}, kMachine + "ok" + kOwn + "ok: install, machine copy", kTarget},
        {"the machine's folder a link",
         [] {
             ASSERT_TRUE(sim::MakeFolder("C:\\Elsewhere"));
             ASSERT_TRUE(sim::MakeLink("C:\\ProgramData\\Veltrano", "C:\\Elsewhere", true));
         },
         kMachine + "link" + kOwn + "ok: install, own copy", kOwnTarget},
        {"the machine's folder another user's",
         [] {
             sim::SetCurrentUser(sim::Account::UserB);
             ASSERT_TRUE(plat::CreateDirectoryA("C:\\ProgramData\\Veltrano"));
             sim::SetCurrentUser(sim::Account::UserA);
         },
         kMachine + "owner" + kOwn + "ok: install, own copy", kOwnTarget},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        row.plant();
        RunDownloaded(kImage);
        Step();
        EXPECT_NE(std::string::npos, ReadLog().find(" start " + kDownloaded + row.decision + "\r\n")) << ReadLog();
        EXPECT_TRUE(Relaunched(row.installed));
    }
}

TEST_F(InstallLog, AQuietInstallationSaysForWhomWhatItFoundAndHowItEnded) {
    for (const bool administrator : {false, true}) {
        TearDown();
        SetUp();
        sim::SetCurrentUser(administrator ? sim::Account::Administrators : sim::Account::UserA);
        RunFrom(kDownloaded, kImage, "\"" + kDownloaded + "\" /install /quiet");
        NoUpdates gate;
        EXPECT_EQ(kInstallDone, RunQuietInstall(gate));
        sim::SetCurrentUser(sim::Account::UserA);
        EXPECT_NE(std::string::npos, ReadLog().find(administrator ? " machine folder C:\\ProgramData\\Veltrano\\: ok\r\n"
                                                                  : kMachine + "ok" + kOwn + "ok: install, machine copy\r\n"))
            << ReadLog();
        EXPECT_NE(std::string::npos, ReadLog().find(std::string(" /install /quiet for ") +
                                                    (administrator ? "every user" : "this user") + ": exit code 0\r\n"));
    }
}

// The own copy's folder holds the log: it goes with it. What a removal
// leaves (here the entry) is named in the log, which stays.
TEST_F(InstallLog, ARemovalTakesTheLogOrSaysWhatItLeft) {
    const struct {
        std::string exe;
        bool leaves;
    } rows[] = {{kOwnTarget, false}, {kTarget, false}, {kTarget, true}};
    for (const auto& [exe, leaves] : rows) {
        TearDown();
        SetUp();
        ASSERT_TRUE(sim::PutFile(exe, kImage));
        sim::PutRegistryString(kUninstallEntryKey, "DisplayVersion", "5.0.0.0");
        if (leaves) sim::ProtectRegistryKey(kUninstallEntryKey);
        LogEvent("an earlier line");
        EXPECT_EQ(leaves ? kUninstallPartly : kUninstallDone, Uninstall(exe)) << exe;
        EXPECT_EQ(leaves, ReadLog().find("removal: exit code 1, ") != std::string::npos) << ReadLog();
        EXPECT_EQ(leaves, ReadLog().find("HKEY_CURRENT_USER\\" + std::string(kUninstallEntryKey)) != std::string::npos);
        EXPECT_EQ(leaves, sim::Exists(logtest::kLogFolder));
    }
}

}  // namespace
}  // namespace installtest
