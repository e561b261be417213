// The entry in the list of installed programs, and "/uninstall": what it
// closes, removes and leaves, in which order, and what it says.
#include "InstallFixture.h"

#include "base/ProgramPaths.h"
#include "install/CommandLine.h"
#include "install/Uninstall.h"
#include "install/UninstallEntry.h"
#include "platform/Threads.h"
#include "tests/sim/SimProcesses.h"
#include "tests/sim/SimRegistry.h"
#include "tests/sim/SimThreads.h"
#include "update/UpdateLock.h"

namespace installtest {
namespace {

const std::string kImage = sim::MakeExecutableImage("5.0.0.0");
const std::string kEntry = kUninstallEntryKey;
const std::string kTemp = "C:\\Users\\user\\AppData\\Local\\Temp\\";
const std::string kDesktopLink = "C:\\Users\\user\\Desktop\\ Veltrano.lnk";
const std::string kCommonMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
const std::string kUserMenu = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
const std::string kCommonSubFolder = kCommonMenu + "\\Programs\\ Veltrano";
const std::string kUserSubFolder = kUserMenu + "\\Programs\\ Veltrano";
const std::string kQuestion = "确定要从这台电脑上删除 Veltrano 吗？";
const std::string kStillRunning = "Veltrano 仍在运行，没有删除任何内容。请关闭它，然后再试一次。";

// Everything an installed program with accepted shortcuts, updates and a
// download in progress has written, older versions' names included.
std::vector<std::string> InstalledFiles() {
    return {kTarget,
            kMarker,
            kInstallFolder + "OldExecutable.bak",
            kInstallFolder + "OldExecutable.77.bak",
            kTarget + ".new",
            std::string(StagedInstallTarget(kTarget.c_str(), 77)),
            kTarget + ".undone",
            kTarget + ".failed",
            std::string(DownloadFileName(kInstallFolder.c_str(), "tarnquill.exe", kTarget.c_str(), 77)),
            std::string(DownloadFileName(kTemp.c_str(), "tarnquill.exe", kTarget.c_str(), 77)),
            kDesktopLink,
            kCommonMenu + "\\ Veltrano.lnk",
            kUserMenu + "\\ Veltrano.lnk",
            kCommonSubFolder + "\\ Veltrano.lnk",
            kUserSubFolder + "\\ Veltrano.lnk"};
}

// The files, the three folders and the entry.
std::size_t Everything() { return InstalledFiles().size() + 4; }

class RealUpdateLock final : public UpdateGate {
public:
    bool Close(const char* exePath, plat::DWORD waitMs) override { return lock.Acquire(exePath, waitMs); }
    UpdateLock lock;
};

class UninstallTest : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        for (const std::string& file : InstalledFiles()) ASSERT_TRUE(sim::PutFile(file, kImage));
        sim::PutRegistryString(kEntry, "DisplayVersion", "5.0.0.0");
        RunFrom(kTarget, kImage, "\"" + kTarget + "\" /uninstall");
        sim::SetRunningImage(kTarget, true);
    }
    void TearDown() override {
        m_gate.lock.Release();
        EXPECT_EQ(0, sim::OpenRegistryKeyCount());
        InstallTest::TearDown();
    }

    int Uninstall(bool quiet = false) { return RunUninstall(quiet, m_gate); }

    std::vector<std::string> Remaining() const {
        std::vector<std::string> left;
        for (const std::string& file : InstalledFiles())
            if (sim::Exists(file)) left.push_back(file);
        for (const std::string& folder : {kInstallFolder, kCommonSubFolder, kUserSubFolder})
            if (sim::Exists(folder)) left.push_back(folder);
        if (sim::RegistryKeyExists(kEntry)) left.push_back("entry");
        return left;
    }
    std::string RemovedImage() const {
        return std::string(RemovedImageName(kTemp.c_str(), "tarnquill.exe", kTarget.c_str(),
                                            plat::GetCurrentProcessId()));
    }
    std::string LastBox() const { return sim::MessageBoxes().empty() ? "" : sim::MessageBoxes().back().text; }

    RealUpdateLock m_gate;
};

TEST_F(UninstallTest, YesClosesTheCopiesAndRemovesEverythingItsOwnImageMovedToTheTemporaryFolder) {
    const sim::OtherProgram copy = sim::RunOtherProgram(kTarget);
    const sim::OtherProgram stranger = sim::RunOtherProgram("C:\\Windows\\notepad.exe");
    sim::QueueAnswer(plat::IDYES);
    EXPECT_EQ(kUninstallDone, Uninstall());

    ASSERT_EQ(1u, sim::MessageBoxes().size());  // the question only
    EXPECT_EQ(kQuestion, sim::MessageBoxes()[0].text);
    EXPECT_EQ("tarnquill", sim::MessageBoxes()[0].caption);
    EXPECT_EQ(plat::MB_YESNO | plat::MB_ICONQUESTION, sim::MessageBoxes()[0].style);
    EXPECT_EQ(1, sim::CloseRequests(copy.processId));
    EXPECT_FALSE(sim::OtherProgramRuns(copy.processId));
    EXPECT_EQ(0, sim::CloseRequests(stranger.processId));
    EXPECT_TRUE(sim::MutexHeld(std::string(UpdateLockName(kTarget.c_str()))));
    EXPECT_EQ(std::vector<std::string>{}, Remaining());
    EXPECT_TRUE(sim::Exists(kCommonMenu + "\\Programs"));
    // The running image could only be moved; it waits in the temporary folder.
    EXPECT_EQ(kImage, sim::ReadFileBytes(RemovedImage()).value_or(""));
}

TEST_F(UninstallTest, QuietAsksNothingAndSaysNothing) {
    EXPECT_EQ(kUninstallDone, Uninstall(true));
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(std::vector<std::string>{}, Remaining());
}

TEST_F(UninstallTest, NoChangesNothing) {
    const sim::OtherProgram copy = sim::RunOtherProgram(kTarget);
    sim::QueueAnswer(plat::IDNO);
    EXPECT_EQ(kUninstallDeclined, Uninstall());
    EXPECT_EQ(0, sim::CloseRequests(copy.processId));
    EXPECT_EQ(Everything(), Remaining().size());
}

TEST_F(UninstallTest, ACopyThatDoesNotCloseStopsItBeforeAnythingIsRemoved) {
    const sim::OtherProgram copy = sim::RunOtherProgram(kInstallFolder + "OldExecutable.bak", false);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDOK);
    EXPECT_EQ(kUninstallStopped, Uninstall());
    EXPECT_EQ(kStillRunning, LastBox());
    EXPECT_EQ(1, sim::CloseRequests(copy.processId));
    EXPECT_EQ(Everything(), Remaining().size());

    EXPECT_EQ(kUninstallStopped, Uninstall(true));  // quiet: the exit code alone
    EXPECT_EQ(2u, sim::MessageBoxes().size());
}

TEST_F(UninstallTest, AnUpdateHeldByACopyItCannotSeeStopsIt) {
    UpdateLock other;
    sim::SetProcessId(7);
    ASSERT_TRUE(other.Acquire(kTarget.c_str(), 0));
    sim::SetProcessId(4242);
    EXPECT_EQ(kUninstallStopped, Uninstall(true));
    EXPECT_EQ(Everything(), Remaining().size());
    other.Release();
}

TEST_F(UninstallTest, WhatCannotBeRemovedIsLeftAndNamedTheRestGoes) {
    sim::InjectFault(sim::Op::DeleteFile, 1);       // the desktop link (another account's)
    sim::InjectFault(sim::Op::RemoveDirectory, 1);  // the user's programs sub-folder
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDOK);
    EXPECT_EQ(kUninstallPartly, Uninstall());
    EXPECT_EQ((std::vector<std::string>{kDesktopLink, kUserSubFolder}), Remaining());
    EXPECT_EQ("Veltrano 已删除，但以下内容无法删除：\r\n" + kDesktopLink + "\r\n" + kUserSubFolder + "\\",
              LastBox());
    EXPECT_EQ(plat::MB_OK | plat::MB_ICONWARNING, sim::MessageBoxes().back().style);
}

TEST_F(UninstallTest, AnExecutableThatStaysKeepsItsFolderAndEntry) {
    // The temporary folder on another volume: the running image cannot move.
    sim::MakeFolder("D:\\Temp");
    sim::SetTempPath("D:\\Temp\\");
    EXPECT_EQ(kUninstallPartly, Uninstall(true));
    // The download stays too: it is in the temporary folder of C:.
    EXPECT_EQ((std::vector<std::string>{kTarget, InstalledFiles()[9], kInstallFolder, "entry"}), Remaining());
}

TEST_F(UninstallTest, AnEntryThisUserMayNotRemoveIsNamed) {
    sim::ProtectRegistryKey(kEntry);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDOK);
    EXPECT_EQ(kUninstallPartly, Uninstall());
    EXPECT_EQ(std::vector<std::string>{"entry"}, Remaining());
    EXPECT_NE(std::string::npos, LastBox().find("HKEY_CURRENT_USER\\" + kEntry));
}

TEST_F(UninstallTest, AMissingEntryAndASecondRunAreNoFailures) {
    ASSERT_TRUE(RemoveUninstallEntry());
    EXPECT_EQ(kUninstallDone, Uninstall(true));
    EXPECT_EQ(std::vector<std::string>{}, Remaining());
    // Again, once that process has ended, from a downloaded copy: nothing
    // is said, and the image the first run left in the temporary folder goes.
    sim::SetRunningImage(RemovedImage(), false);
    RunDownloaded(kImage);
    sim::QueueAnswer(plat::IDYES);
    EXPECT_EQ(kUninstallDone, Uninstall());
    EXPECT_EQ(1u, sim::MessageBoxes().size());
    EXPECT_FALSE(sim::Exists(RemovedImage()));
}

// ------------------------------------------------------------- the entry

using EntryTest = InstallTest;

std::string Value(const char* name) { return sim::RegistryString(kEntry, name).value_or("<none>"); }

TEST_F(EntryTest, WrittenByTheInstallationWithEveryValue) {
    RunDownloaded(std::string(kImage) + std::string(2000, 'x'));
    Step();
    ASSERT_TRUE(Relaunched());
    EXPECT_EQ("Veltrano", Value("DisplayName"));
    EXPECT_EQ("5.0.0.0", Value("DisplayVersion"));
    EXPECT_EQ("Veltrano", Value("Publisher"));
    EXPECT_EQ(kTarget, Value("DisplayIcon"));
    EXPECT_EQ("C:\\ProgramData\\Veltrano", Value("InstallLocation"));
    EXPECT_EQ("\"" + kTarget + "\" /uninstall", Value("UninstallString"));
    EXPECT_EQ("\"" + kTarget + "\" /uninstall /quiet", Value("QuietUninstallString"));
    EXPECT_EQ(1u, sim::RegistryDword(kEntry, "NoModify").value_or(0));
    EXPECT_EQ(1u, sim::RegistryDword(kEntry, "NoRepair").value_or(0));
    EXPECT_EQ((kImage.size() + 2000 + 1023) / 1024, sim::RegistryDword(kEntry, "EstimatedSize").value_or(0));
    EXPECT_EQ(0, sim::OpenRegistryKeyCount());
}

TEST_F(EntryTest, AFailureToWriteItChangesNothingElse) {
    sim::InjectFault(sim::Op::RegCreateKey, 1, sim::Fault::Always());
    RunDownloaded(kImage);
    Step();
    EXPECT_TRUE(Relaunched());
    EXPECT_FALSE(sim::RegistryKeyExists(kEntry));
}

TEST_F(EntryTest, TheInstalledCopyWritesItWhenMissingOrOfAnotherVersionOnly) {
    RunFrom(kTarget, kImage, "\"" + kTarget + "\"");
    ASSERT_TRUE(sim::PutFile(kMarker, ""));
    Step();
    EXPECT_EQ("5.0.0.0", Value("DisplayVersion"));
    EXPECT_EQ("\"" + kTarget + "\" /uninstall", Value("UninstallString"));

    sim::PutRegistryString(kEntry, "DisplayVersion", "4.9.0.0");  // an update since
    Step();
    EXPECT_EQ("5.0.0.0", Value("DisplayVersion"));

    const int writes = sim::CallCount(sim::Op::RegSetValue);
    Step();
    EXPECT_EQ(writes, sim::CallCount(sim::Op::RegSetValue));
}

TEST(Switches, UninstallUpdateOrInstallAndQuietAfterTheProgramsPathAnythingElseIgnored) {
    struct Case {
        const char* line;
        bool uninstall, quiet, update, install;
    } cases[] = {
        {"\"C:\\a b\\tarnquill.exe\" /uninstall", true, false, false, false},
        {"\"C:\\a b\\tarnquill.exe\" /UNINSTALL  /Quiet", true, true, false, false},
        {"C:\\tarnquill.exe /quiet /uninstall", true, true, false, false},
        {"\"C:\\x /uninstall\\tarnquill.exe\"", false, false, false, false},  // inside the path
        {"\"C:\\tarnquill.exe\" /quiet", false, false, false, false},
        {"\"C:\\tarnquill.exe\" /uninstallx file.txt", false, false, false, false},
        {"\"C:\\tarnquill.exe", false, false, false, false},
        {"", false, false, false, false},
        {"\"C:\\tarnquill.exe\" /update /quiet", false, false, true, false},
        {"C:\\tarnquill.exe /QUIET\t/Update", false, false, true, false},
        {"\"C:\\tarnquill.exe\" /update", false, false, false, false},  // the window, as before
        {"\"C:\\tarnquill.exe\" /update /quiet /uninstall", true, true, false, false},
        {"\"C:\\tarnquill.exe\" /install /quiet", false, false, false, true},
        {"tarnquill.exe /QUIET /Install", false, false, false, true},
        {"\"C:\\tarnquill.exe\" /install", false, false, false, false},  // the window, as before
        {"\"C:\\tarnquill.exe\" /install /quiet /uninstall", true, true, false, false},
        {"\"C:\\tarnquill.exe\" /install /update /quiet", false, false, true, false},
    };
    for (const Case& c : cases) {
        const ProgramSwitches s = ParseSwitches(c.line);
        EXPECT_EQ(c.uninstall, s.uninstall) << c.line;
        EXPECT_EQ(c.quiet, s.quiet) << c.line;
        EXPECT_EQ(c.update, s.update) << c.line;
        EXPECT_EQ(c.install, s.install) << c.line;
    }
}

}  // namespace
}  // namespace installtest
