// The window's update check in the background: the window never waits on
// the network and every wait ends; no step runs inside an open box; two
// copies of one executable update it once.
#include "WindowCheck.h"

#include "update/UpdateLock.h"

#include "platform/Inet.h"
#include "platform/Kernel.h"
#include "platform/User.h"


using namespace updtest;

namespace {

const std::string kOfferCaption = "有新版更新";
const std::string kSuccessCaption = "更新成功！";

class Background : public WindowWorld {
protected:
    int Opens(const std::string& url) {
        int n = 0;
        for (const auto& opened : sim::OpenedUrls()) n += opened == url;
        return n;
    }

};

// ------------------------------------------------ the window never waits

TEST_F(Background, TheNetworkStepsRunOnWorkersAndTheRestOnTheWindow) {
    Publish("5.0.0.1", newImage);
    sim::FireTimer(main->window, IDT_UPDATE_CHECK);
    EXPECT_TRUE(sim::OpenedUrls().empty()) << "the tick itself went to the network";
    EXPECT_FALSE(main->TimerLive());

    sim::RunWorkers();  // manifest, signature, the executable's URL
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl, kSigUrl, kExeUrl}));
    EXPECT_TRUE(sim::MessageBoxes().empty()) << "the worker asked the user";

    sim::QueueAnswer(plat::IDYES);
    sim::DeliverPosted();  // the offer, on the window's thread
    EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption}));
    EXPECT_EQ(LeftOver(), std::vector<std::string>{}) << "downloaded on the window's thread";

    sim::RunWorkers();  // the download
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage) << "swapped off the window's thread";
    sim::QueueAnswer(plat::IDNO);
    sim::DeliverPosted();  // verification, swap, message
    EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption, kSuccessCaption}));
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

// The question is the window's alone (the blocking procedure asks nothing).
TEST_F(Background, TheOfferShowsTheManifestTextExactlyAndOnlyYesDownloads) {
    // No, Cancel, and 0: a box that could not be shown.
    for (int answer : {plat::IDNO, plat::IDCANCEL, 0}) {
        main.emplace(Updater());
        sim::SetActiveWindow(main->window);
        Publish("5.00.0.01", newImage);
        const std::size_t first = sim::MessageBoxes().size();
        sim::QueueAnswer(answer);
        sim::QueueAnswer(plat::IDOK);  // the failure message a declined offer shows
        main->TickAndPump();
        ASSERT_EQ(Captions(first), (std::vector<std::string>{kOfferCaption, updtest::kFailureCaption}));
        const sim::MessageBoxCall offer = sim::MessageBoxes()[first];
        EXPECT_EQ(offer.text, "新版本 5.00.0.01 现在可用，是否下载更新？");
        EXPECT_EQ(offer.style, plat::MB_YESNO | plat::MB_ICONQUESTION);
        EXPECT_EQ(offer.owner, main->window);
    }
    for (const auto& read : sim::UrlReads()) EXPECT_NE(read.url, ExeUrl("5.00.0.01"));
    ExpectDiskUnchanged();
}

TEST_F(Background, EveryWaitOnTheServerIsBounded) {
    // A server that accepts the manifest's request and says nothing: silent.
    sim::HttpAnswer silent;
    silent.silent = true;
    sim::ServeUrl(kManifestUrl, silent);
    main->TickAndPump();
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{kManifestUrl}));

    for (plat::DWORD option : {plat::INTERNET_OPTION_CONNECT_TIMEOUT, plat::INTERNET_OPTION_SEND_TIMEOUT,
                               plat::INTERNET_OPTION_RECEIVE_TIMEOUT})
        EXPECT_EQ(sim::SessionTimeout(option), plat::DWORD{30000}) << "option " << option;
}

TEST_F(Background, AStalledOrTricklingDownloadEndsInTheFailureMessage) {
    sim::HttpAnswer stalled;
    stalled.body = newImage;
    stalled.stallAfter = 100;
    sim::HttpAnswer trickling;  // a piece just inside each read's time-out
    trickling.body = newImage;
    trickling.pieceSize = 16;
    trickling.msPerRead = 29000;
    for (const sim::HttpAnswer& answer : {stalled, trickling}) {
        main.emplace(Updater());
        const std::size_t shown = sim::MessageBoxes().size();
        Publish("5.0.0.1", newImage);
        sim::ServeUrl(kExeUrl, answer);
        sim::QueueAnswer(plat::IDYES);
        sim::QueueAnswer(plat::IDOK);
        main->TickAndPump();
        EXPECT_EQ(Captions(shown), (std::vector<std::string>{kOfferCaption, kFailureCaption}));
        ExpectDiskUnchanged();
    }
}

// Where the receive time-out does not end a stalled wait (Wine's WinINet),
// the window's watch does, after 30 s without a byte; whatever the worker
// does afterwards counts for nothing.
TEST_F(Background, TheWindowCallsOffAStepTheServerLeftWaiting) {
    auto windowWaits = [this](plat::DWORD ms) {
        sim::AdvanceClock(ms);
        return sim::FireTimer(main->window, IDT_UPDATE_WATCH);
    };
    sim::HttpAnswer silent;
    silent.silent = true;
    silent.whileWaiting = [&] {
        EXPECT_TRUE(windowWaits(29000));
        EXPECT_TRUE(windowWaits(2000)) << "not watched";
        EXPECT_FALSE(windowWaits(0)) << "still watched after the call-off";
    };
    sim::ServeUrl(kManifestUrl, silent);
    main->TickAndPump();
    EXPECT_TRUE(sim::MessageBoxes().empty()) << "a stalled manifest is an unreachable server";

    main.emplace(Updater());
    Publish("5.0.0.1", newImage);
    sim::HttpAnswer stalled;
    stalled.body = newImage;
    stalled.stallAfter = newImage.size() / 2;
    stalled.whileWaiting = [&] {
        ASSERT_EQ(LeftOver().size(), 1u);
        plat::HWND about = sim::CreateWindow(nullptr, 0, {100, 100, 300, 200});
        sim::ShowWindow(about, true);
        EXPECT_TRUE(windowWaits(31000));
        EXPECT_EQ(LeftOver(), std::vector<std::string>{}) << "called off, the file stays";
        EXPECT_EQ(Captions(), std::vector<std::string>{kOfferCaption}) << "reported inside the About box";
        sim::DestroyWindow(about);
        EXPECT_TRUE(sim::FireTimer(main->window, IDT_UPDATE_RETRY));
        EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption, kFailureCaption}));
    };
    sim::ServeUrl(kExeUrl, stalled);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDOK);
    main->TickAndPump();
    EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption, kFailureCaption}));
    ExpectDiskUnchanged();
}

TEST_F(Background, ClosingTheWindowDuringTheDownloadSwapsNothing) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);
    sim::FireTimer(main->window, IDT_UPDATE_CHECK);
    sim::RunWorkers();
    sim::DeliverPosted();  // the offer: Yes, the download starts
    main.reset();          // the window closes, the program ends
    sim::Pump();           // what the download still did before the end
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    EXPECT_FALSE(sim::Exists(kBackup));
    ASSERT_EQ(LeftOver().size(), 1u) << "the process ended mid-transfer";

    // The next start's update clears what the ended one left, and what an
    // earlier one left.
    sim::PutFile(StdString(DownloadFileName((kFolder + "\\").c_str(), "tarnquill.exe", kExe.c_str(), 777)), "MZ");
    sim::SetProcessId(5151);
    main.emplace(Updater());
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDNO);
    main->TickAndPump();
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

// ------------------------------------------- the bytes checked are moved

// The download is made new beside the executable, so it takes that folder's
// rights, and from its first byte until its move no one else can write,
// delete or move it: the bytes checked are the bytes swapped in.
TEST_F(Background, TheDownloadIsHeldBesideTheExecutableUntilItIsSwappedIn) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);
    sim::FireTimer(main->window, IDT_UPDATE_CHECK);
    sim::RunWorkers();
    sim::DeliverPosted();  // the offer: Yes
    sim::RunWorkers();     // the download, not yet checked
    EXPECT_EQ(sim::ListFolder(kTempDir), std::vector<std::string>{});
    ASSERT_TRUE(sim::Exists(kDownload));
    EXPECT_EQ(plat::CreateFileA(kDownload.c_str(), plat::GENERIC_WRITE, plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE,
                                plat::OPEN_EXISTING, 0),
              plat::INVALID_HANDLE_VALUE);
    EXPECT_FALSE(plat::DeleteFileA(kDownload.c_str()));
    EXPECT_FALSE(plat::MoveFileExA(kDownload.c_str(), (kFolder + "\\elsewhere").c_str(), 0));

    sim::QueueAnswer(plat::IDNO);
    sim::DeliverPosted();  // checked through that handle, then swapped
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

// --------------------------------------------------- never inside a box

TEST_F(Background, TheCheckWaitsForTheOpenBoxAndThenRunsOnce) {
    Publish("5.0.0.1", newImage);
    plat::HWND box = sim::CreateWindow(nullptr, 0, {100, 100, 300, 200});
    sim::ShowWindow(box, true);  // the shortcut question, still unanswered
    ASSERT_TRUE(main->TickAndPump());
    for (int second = 0; second < 30; ++second) ASSERT_TRUE(main->RetryAndPump());
    EXPECT_TRUE(sim::OpenedUrls().empty());
    EXPECT_EQ(sim::TimerCalls().back().elapse, kUpdateRetryMs);

    sim::DestroyWindow(box);
    sim::QueueAnswer(plat::IDNO);
    sim::QueueAnswer(plat::IDOK);
    EXPECT_TRUE(main->RetryAndPump());
    EXPECT_TRUE(sim::LiveTimers(main->window).empty()) << "a timer outlived the check";
    EXPECT_EQ(Opens(kManifestUrl), 1);
    EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption, kFailureCaption}));
}

TEST_F(Background, AnOfferWaitsForABoxOpenedDuringTheFetch) {
    Publish("5.0.0.1", newImage);
    sim::FireTimer(main->window, IDT_UPDATE_CHECK);
    sim::RunWorkers();
    plat::HWND about = sim::CreateWindow(nullptr, 0, {100, 100, 300, 200});
    sim::ShowWindow(about, true);
    sim::DeliverPosted();
    EXPECT_TRUE(main->RetryAndPump());
    EXPECT_TRUE(sim::MessageBoxes().empty()) << "the offer ran inside the About box";

    sim::DestroyWindow(about);
    sim::QueueAnswer(plat::IDNO);
    sim::QueueAnswer(plat::IDOK);
    main->RetryAndPump();
    EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption, kFailureCaption}));
}

// -------------------------------------------------- two copies at once

TEST_F(Background, TwoCopiesAcceptingTogetherSwapOnceAndBothSucceed) {
    Publish("5.0.0.1", newImage);
    WindowCheck second(Updater());
    sim::FireTimer(main->window, IDT_UPDATE_CHECK);
    sim::FireTimer(second.window, IDT_UPDATE_CHECK);
    sim::RunWorkers();  // both fetch and offer
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDYES);
    sim::DeliverPosted();  // both say Yes; the first takes the lock and downloads
    EXPECT_TRUE(second.Waiting()) << "the second copy should wait for the first";

    sim::QueueAnswer(plat::IDNO);  // the first's restart question
    sim::Pump();
    sim::QueueAnswer(plat::IDNO);  // the second's
    second.RetryAndPump();

    EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption, kOfferCaption, kSuccessCaption,
                                                    kSuccessCaption}));
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

TEST_F(Background, ACopyWhoseExecutableAnotherSwappedMeanwhileSucceedsWithoutSwapping) {
    Publish("5.0.0.1", newImage);
    sim::FireTimer(main->window, IDT_UPDATE_CHECK);
    sim::RunWorkers();  // the fetch: this copy runs 5.0.0.0
    // A copy in another process swaps the executable before this one's Yes.
    ASSERT_TRUE(plat::MoveFileExA(kExe.c_str(), kBackup.c_str(), 0));
    ASSERT_TRUE(sim::PutFile(kExe, newImage));

    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDNO);  // the restart question
    sim::Pump();
    EXPECT_EQ(Captions(), (std::vector<std::string>{kOfferCaption, kSuccessCaption}));
    for (const auto& read : sim::UrlReads()) EXPECT_NE(read.url, kExeUrl) << "downloaded again";
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

TEST(UpdateLockName, OnePerExecutableWhateverTheCaseOfItsPath) {
    const CString name = UpdateLockName("C:\\ProgramData\\Veltrano\\tarnquill.exe");
    EXPECT_EQ(name, UpdateLockName("c:\\programdata\\VELTRANO\\TARNQUILL.EXE"));
    EXPECT_NE(name, UpdateLockName("C:\\Users\\user\\Downloads\\tarnquill.exe"));
    // A trail byte is no letter: these two names are different files.
    EXPECT_NE(UpdateLockName("C:\\\x81\x61.exe"), UpdateLockName("C:\\\x81\x41.exe"));
    // Every version of the program must name it alike, or an old and a new
    // copy of one file would update it at once.
    EXPECT_EQ(name, "Local\\tarnquill-update-0E2A1C47E51C4BF9");
}

}  // namespace
