// The self-installation step: which way it goes, what lands on disk, what
// is started, and that an incomplete executable is never installed.
#include "InstallFixture.h"

#include "platform/Kernel.h"

#include "tests/sim/SimFaults.h"

namespace installtest {
namespace {

const std::string kImage500 = sim::MakeExecutableImage("5.0.0.0");

TEST_F(InstallTest, FreshDownloadInstallsStartsTheCopyAndCloses) {
    sim::SetCurrentDirectory("C:\\Users\\user\\Downloads");  // as a double-click gives it
    RunDownloaded(kImage500);
    Step();

    EXPECT_STREQ("C:\\Users\\user\\Downloads\\", m_exeDir);
    EXPECT_STREQ("tarnquill.exe", m_exeName);
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or("<missing>"));
    ASSERT_TRUE(Relaunched());
    EXPECT_EQ(plat::NORMAL_PRIORITY_CLASS, sim::ProcessStarts()[0].creationFlags);
    EXPECT_EQ(68u, sim::ProcessStarts()[0].startupInfoSize);
    // Started in its own folder, so a later restart by name finds the
    // installed copy and not the download beside the user's current folder.
    EXPECT_EQ("C:\\ProgramData\\Veltrano\\", sim::ProcessStarts()[0].currentDirectory);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    // Both application data folders are asked of the shell, owned by the
    // window, and neither is made by it.
    const auto calls = sim::SpecialFolderCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(plat::CSIDL_COMMON_APPDATA, calls[0].csidl);
    EXPECT_EQ(plat::CSIDL_LOCAL_APPDATA, calls[1].csidl);
    for (const sim::SpecialFolderCall& call : calls) {
        EXPECT_EQ(m_hwnd, call.owner);
        EXPECT_EQ(plat::FALSE, call.create);
    }
    EXPECT_FALSE(sim::Exists(kOwnFolder));
}

TEST_F(InstallTest, InstallFolderComesFromTheShell) {
    sim::SetSpecialFolder(plat::CSIDL_COMMON_APPDATA, "D:\\All Users\\Data");
    ASSERT_TRUE(sim::MakeFolder("D:\\All Users\\Data"));
    RunDownloaded(kImage500);
    Step();
    EXPECT_EQ(kImage500, sim::ReadFileBytes("D:\\All Users\\Data\\Veltrano\\tarnquill.exe").value_or(""));
    EXPECT_FALSE(sim::Exists(kTarget));
}

// What stands at the install target decides between installing and the offer.
struct DecisionCase {
    const char* what;
    const char* ownVersion;
    std::string installed;  // empty: no file
    bool installs;
};

TEST_F(InstallTest, DecisionFollowsTheInstalledVersion) {
    const DecisionCase cases[] = {
        {"no installed copy", "5.0", "", true},
        {"installed copy without version data", "5.0", sim::MakeExecutableImageWithoutVersion(), true},
        {"older installed copy", "5.0", sim::MakeExecutableImage("4.9.0.0"), true},
        {"older by the last number", "5.0.0.1", sim::MakeExecutableImage("5.0.0.0"), true},
        {"same version, two numbers against four", "5.0", sim::MakeExecutableImage("5.0.0.0"), false},
        {"newer installed copy", "5.0", sim::MakeExecutableImage("5.0.0.1"), false},
        {"own version empty", "", sim::MakeExecutableImage("5.0.0.0"), false},
        {"own version empty, nothing installed", "", "", true},
    };
    for (const DecisionCase& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        RunDownloaded(kImage500);
        if (!c.installed.empty()) {
            ASSERT_TRUE(sim::PutFile(kTarget, c.installed));
        }
        if (!c.installs) sim::QueueAnswer(plat::IDNO);

        Step(c.ownVersion);

        if (c.installs) {
            EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
            EXPECT_TRUE(Relaunched());
            EXPECT_TRUE(sim::MessageBoxes().empty());
        } else {
            EXPECT_EQ(c.installed, sim::ReadFileBytes(kTarget).value_or(""));
            EXPECT_TRUE(NothingStartedOrClosed());
            EXPECT_EQ(1u, sim::MessageBoxes().size());  // the shortcut question
        }
    }
}

// The own image could not be read whole: no executable is written, nothing
// starts, the window stays and no shortcut is offered.
struct UnreadCase {
    const char* what;
    sim::Op op;
    sim::Fault fault;
    int nth = 1;
};

TEST_F(InstallTest, IncompleteOwnImageIsNeverInstalled) {
    const UnreadCase cases[] = {
        // The first opening for reading is the install folder's, held.
        {"own file does not open", sim::Op::CreateFileRead, sim::Fault::Failure(), 2},
        {"size unknown", sim::Op::GetFileSize, sim::Fault::Failure()},
        {"read fails", sim::Op::ReadFile, sim::Fault::Failure()},
        {"short read", sim::Op::ReadFile, sim::Fault::Short(100)},
    };
    for (const UnreadCase& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        RunDownloaded(kImage500);
        sim::InjectFault(c.op, c.nth, c.fault);

        Step();

        EXPECT_EQ(0, sim::PendingFaultCount());
        EXPECT_FALSE(sim::Exists(kTarget));
        EXPECT_TRUE(NothingStartedOrClosed());
        EXPECT_TRUE(sim::MessageBoxes().empty());
        EXPECT_STREQ("tarnquill.exe", m_exeName);
    }
}

TEST_F(InstallTest, TheRunningImageIsInstalledWhateverTheCommandLineNames) {
    // Unquoted, "C:\..." loses its first character and names no file; a
    // parent may also name another file. The image is the running module's.
    const std::string other = "C:\\Users\\user\\Downloads\\other.exe";
    for (const std::string& commandLine : {kDownloaded, "\"" + other + "\""}) {
        SCOPED_TRACE(commandLine);
        TearDown();
        SetUp();
        sim::PutFile(other, sim::MakeExecutableImage("9.0.0.0"));
        RunFrom(kDownloaded, kImage500, commandLine);
        Step();
        EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_TRUE(Relaunched());
    }
}

TEST_F(InstallTest, InstalledCopyStartedWithoutQuotesGoesStraightToTheOffer) {
    // The relaunched copy's command line is the bare target path. Being the
    // installed copy, it reads neither its own image nor the installed
    // version: every later start is such a start.
    RunFrom(kTarget, kImage500, kTarget);
    sim::QueueAnswer(plat::IDNO);
    Step();
    EXPECT_STREQ("tarnquill.exe", m_exeName);
    EXPECT_EQ(1u, sim::MessageBoxes().size());
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_TRUE(NothingStartedOrClosed());
    EXPECT_EQ(0, sim::CallCount(sim::Op::ReadFile));
    EXPECT_EQ(0, sim::CallCount(sim::Op::GetFileVersionInfoSize));
}

TEST_F(InstallTest, NothingIsHeldWhileTheShortcutQuestionIsOpen) {
    // The box may stay open for long: another copy's update swaps the
    // executable meanwhile, and after Yes the links lead to what is there.
    RunFrom(kTarget, kImage500, kTarget);
    bool swapped = false;
    sim::WhileNextBoxIsOpen([&swapped] {
        swapped = plat::MoveFileExA(kTarget.c_str(), (kInstallFolder + "OldExecutable.bak").c_str(), 0) &&
                  sim::PutFile(kTarget, sim::MakeExecutableImage("5.0.0.1"));
    });
    sim::QueueAnswer(plat::IDYES);
    Step();
    EXPECT_TRUE(swapped);
    const auto marker = sim::ReadLink(kMarker);
    ASSERT_TRUE(marker.has_value());
    EXPECT_EQ(kTarget, marker->target);
}

TEST_F(InstallTest, InstalledCopyWithoutVersionDoesNotRestartItself) {
    // Relaunched from the install folder (any case), without version data:
    // it is already where it belongs, so it goes to the offer.
    const std::string image = sim::MakeExecutableImageWithoutVersion();
    ASSERT_TRUE(sim::PutFile(kTarget, image));
    sim::SetModulePath("c:\\programdata\\VELTRANO\\tarnquill.EXE");
    sim::SetCommandLine(kTarget);
    sim::QueueAnswer(plat::IDNO);
    Step("");
    EXPECT_EQ(image, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_TRUE(NothingStartedOrClosed());
    EXPECT_EQ(1u, sim::MessageBoxes().size());
}

TEST_F(InstallTest, ShortWriteLeavesNoPartialExecutable) {
    const sim::Fault faults[] = {sim::Fault::Short(100), sim::Fault::Failure()};
    for (const sim::Fault& fault : faults) {
        SCOPED_TRACE(fault.kind == sim::Fault::Partial ? "short write" : "failed write");
        TearDown();
        SetUp();
        RunDownloaded(kImage500);
        // An older installed copy stays whole: the image is written beside it.
        const std::string older = sim::MakeExecutableImage("4.0.0.0");
        ASSERT_TRUE(sim::PutFile(kTarget, older));
        sim::InjectFault(sim::Op::WriteFile, 1, fault);

        Step();

        EXPECT_EQ(0, sim::PendingFaultCount());
        EXPECT_EQ(older, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_EQ((std::vector<std::string>{"tarnquill.exe"}), sim::ListFolder(kInstallFolder));
        EXPECT_TRUE(NothingStartedOrClosed());
        EXPECT_TRUE(sim::MessageBoxes().empty());
    }
}

TEST_F(InstallTest, TargetHeldByRunningInstalledCopyStartsThatCopy) {
    const std::string installed = sim::MakeExecutableImage("4.0.0.0");
    ASSERT_TRUE(sim::PutFile(kTarget, installed));
    sim::SetRunningImage(kTarget, true);
    RunDownloaded(kImage500);

    Step();

    EXPECT_EQ(installed, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_TRUE(Relaunched());
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(InstallTest, FailedStartStillClosesTheWindow) {
    RunDownloaded(kImage500);
    sim::InjectFault(sim::Op::CreateProcess, 1);
    Step();
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_TRUE(sim::ProcessStarts().empty());
    EXPECT_EQ(1, CloseMessages());
}

}  // namespace
}  // namespace installtest
