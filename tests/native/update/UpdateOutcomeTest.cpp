// The update check seen from the main window: its tick, its messages and the restart.
#include "WindowCheck.h"

#include "update/RestartWatch.h"
#include "platform/User.h"
#include "tests/sim/SimFaults.h"

#include <utility>

using namespace updtest;

namespace {

// The texts in code page 936, spelled out as bytes.
const std::string kSuccessText =
    "\xB8\xFC\xD0\xC2\xB3\xC9\xB9\xA6\xA3\xA1\xCA\xC7\xB7\xF1\xC1\xA2\xBF\xCC\xD6\xD8\xD0\xC2"
    "\xC6\xF4\xB6\xAF\xB3\xCC\xD0\xF2\xD2\xD4\xCA\xB9\xB8\xFC\xD0\xC2\xC9\xFA\xD0\xA7\xA3\xBF";
const std::string kSuccessCaption = "\xB8\xFC\xD0\xC2\xB3\xC9\xB9\xA6\xA3\xA1";
const std::string kFailureText =
    "\xB6\xD4\xB2\xBB\xC6\xF0\xA3\xAC\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC\xA3\xA1\xC7\xEB\xCA\xD6"
    "\xB6\xAF\xD6\xC1" TQ_HOME_PAGE "\xCF\xC2\xD4\xD8\xB8\xFC\xD0\xC2\xB3\xCC\xD0\xF2\xA1\xA3";

class UpdateOutcome : public WindowWorld {
protected:
    void SetUp() override {
        WindowWorld::SetUp();
        window = main->window;
    }

    // Each tick is a check of its own, as in a fresh start of the program.
    void Tick(unsigned id = IDT_UPDATE_CHECK) {
        if (id == IDT_UPDATE_CHECK && !main->TimerLive()) {
            main.emplace(Updater());
            window = main->window;
        }
        main->TickAndPump(id);
        closes += std::exchange(main->closes, 0);
    }

    void ExpectOnlyBox(const std::string& text, const std::string& caption, plat::UINT style) {
        ASSERT_FALSE(sim::MessageBoxes().empty());
        sim::MessageBoxCall box = sim::MessageBoxes().back();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.style, style);
        EXPECT_EQ(box.owner, window);
        EXPECT_FALSE(box.fromAfx);
    }

    plat::HWND window = nullptr;
    int closes = 0;
};

TEST_F(UpdateOutcome, TheTimerIsKilledBeforeTheFirstRequest) {
    ASSERT_FALSE(sim::TimerCalls().empty());
    const sim::TimerCall started = sim::TimerCalls().back();
    EXPECT_EQ(started.id, 1u);
    EXPECT_EQ(started.elapse, 20000u) << "the check comes 20 s after the window opens";
    bool timerAliveAtRequest = true;
    sim::OnUrlOpen([&](const std::string&) {
        timerAliveAtRequest = sim::LiveTimers(window).count(IDT_UPDATE_CHECK) > 0;
    });
    sim::ServeBody(kManifestUrl, "5.0");
    Tick();
    ASSERT_FALSE(sim::OpenedUrls().empty());
    EXPECT_FALSE(timerAliveAtRequest);
    EXPECT_TRUE(sim::LiveTimers(window).empty());
    sim::OnUrlOpen(nullptr);
}

TEST_F(UpdateOutcome, AnotherTimerDoesNothing) {
    Tick(2);
    EXPECT_TRUE(sim::OpenedUrls().empty());
    EXPECT_EQ(sim::ConnectedStateQueries(), 0);
    EXPECT_EQ(sim::LiveTimers(window).count(IDT_UPDATE_CHECK), 1u);
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(UpdateOutcome, SilentResultsShowNothing) {
    sim::SetConnected(false);
    Tick();  // NotConnected
    sim::SetConnected(true);
    sim::ServeBody(kManifestUrl, "5.0.0.0");
    Tick();  // NoNewerVersion
    sim::HttpAnswer refused;
    refused.unreachable = true;
    sim::ServeUrl(kManifestUrl, refused);
    Tick();  // OpenFailed
    sim::ServeBody(kManifestUrl, "");
    Tick();  // ManifestReadFailed
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(closes, 0);
}

TEST_F(UpdateOutcome, SuccessAskedAndAcceptedRestartsTheUpdatedExecutable) {
    const std::string cwdExe = "C:\\Users\\user\\Downloads\\tarnquill.exe";
    sim::PutFile(cwdExe, oldImage);
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);  // the offer
    sim::QueueAnswer(plat::IDYES);  // the restart
    sim::ScriptNextStart({[] { AnnounceRunning(kExe.c_str()); }, true});  // the new version runs
    Tick();
    ExpectOnlyBox(kSuccessText, kSuccessCaption, plat::MB_YESNO | plat::MB_ICONQUESTION);
    EXPECT_TRUE(g_bRestartAfterUpdate);
    EXPECT_EQ(closes, 1);
    ASSERT_EQ(sim::ProcessStarts().size(), 1u);
    sim::ProcessStart start = sim::ProcessStarts()[0];
    EXPECT_EQ(start.application, kExe) << "not the old download in the current directory";
    EXPECT_EQ(start.creationFlags, plat::NORMAL_PRIORITY_CLASS);
    EXPECT_EQ(start.startupInfoSize, 68u);
}

TEST_F(UpdateOutcome, SuccessWithRestartDeclinedKeepsTheWindow) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDNO);
    Tick();
    EXPECT_EQ(sim::MessageBoxes().size(), 2u);
    EXPECT_FALSE(g_bRestartAfterUpdate);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(sim::ProcessStarts().empty());
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
}

TEST_F(UpdateOutcome, ADeclinedOfferAndAFailedDownloadShowTheFailureMessage) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDNO);
    sim::QueueAnswer(plat::IDOK);
    Tick();
    ExpectOnlyBox(kFailureText, kFailureCaption, plat::MB_OK | plat::MB_ICONQUESTION);

    Publish("5.0.0.1", "not an executable");
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDOK);
    Tick();
    ExpectOnlyBox(kFailureText, kFailureCaption, plat::MB_OK | plat::MB_ICONQUESTION);
    EXPECT_EQ(sim::MessageBoxes().size(), 4u);
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
}

class Relaunch : public UpdateWorld {
protected:
    void SetUp() override {
        UpdateWorld::SetUp();
        g_bRestartAfterUpdate = true;
    }
    void TearDown() override {
        AwaitRelaunched();
        g_bRestartAfterUpdate = false;
        UpdateWorld::TearDown();
    }
    std::vector<std::string> Started() {
        std::vector<std::string> apps;
        for (const auto& s : sim::ProcessStarts()) apps.push_back(s.application);
        return apps;
    }
};

TEST_F(Relaunch, NothingStartsWithoutTheFlag) {
    g_bRestartAfterUpdate = false;
    RelaunchIfRequested("tarnquill");
    EXPECT_TRUE(sim::ProcessStarts().empty());
}

TEST_F(Relaunch, TheCurrentDirectorysExecutableOnlyWhenTheModulePathIsUnknown) {
    sim::InjectFault(sim::Op::GetModuleFileName, 1);
    sim::SetCurrentDirectory("D:\\Work");
    sim::PutFile("D:\\Work\\tarnquill.exe", "x");
    RelaunchIfRequested("tarnquill");
    EXPECT_EQ(Started(), (std::vector<std::string>{"D:\\Work\\tarnquill.exe"}));
    AwaitRelaunched();
    EXPECT_EQ(sim::OpenHandleCount(), 0) << "the successor's handles are let go once it is settled";
}

TEST_F(Relaunch, AtADrivesRootTheDoubledBackslashStillNamesTheFile) {
    sim::InjectFault(sim::Op::GetModuleFileName, 1);
    sim::SetCurrentDirectory("D:\\");
    sim::PutFile("D:\\tarnquill.exe", "x");
    RelaunchIfRequested("tarnquill");
    EXPECT_EQ(Started(), (std::vector<std::string>{"D:\\\\tarnquill.exe"}));
}

TEST_F(Relaunch, TheRunningExecutablesPathWhateverTheCurrentDirectoryHolds) {
    // Another file of the program's name there (an old download), none, or
    // the very same file.
    sim::SetCurrentDirectory("D:\\Work");
    sim::PutFile("D:\\Work\\tarnquill.exe", "x");
    RelaunchIfRequested("tarnquill");
    sim::SetCurrentDirectory("D:\\Elsewhere");
    RelaunchIfRequested("tarnquill");
    sim::SetCurrentDirectory(kFolder);
    RelaunchIfRequested("tarnquill");
    EXPECT_EQ(Started(), (std::vector<std::string>(3, kExe)));
}

TEST_F(Relaunch, NothingToStartIsSilent) {
    sim::SetCurrentDirectory("D:\\Elsewhere");
    sim::SetRunningImage(kExe, false);
    sim::RemovePath(kExe);
    RelaunchIfRequested("tarnquill");
    EXPECT_TRUE(sim::ProcessStarts().empty());
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

}  // namespace
