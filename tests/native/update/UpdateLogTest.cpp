// What the support log says of each way an update check ends, whichever
// driver runs it, and that a log that cannot be written changes nothing.
#include "SupportLogFile.h"
#include "WindowCheck.h"

#include "update/QuietUpdate.h"
#include "update/UpdateSettings.h"
#include "tests/sim/SimSecurity.h"

#include <functional>

namespace updtest {
namespace {

using logtest::ReadLog;

const std::string kRecord = kExe + ".undone";
const std::string kSiteUrl = "http://www.veltrano.example/tarnquill/update/";

sim::HttpAnswer Answer(const std::function<void(sim::HttpAnswer&)>& set) {
    sim::HttpAnswer answer;
    answer.body = "not here";
    set(answer);
    return answer;
}

class UpdateLog : public UpdateWorld {
protected:
    void SetUp() override {
        UpdateWorld::SetUp();
        logtest::OpenLog();
    }
    void TearDown() override {
        logtest::CloseLog();
        UpdateWorld::TearDown();
    }
    bool Logged(const std::string& text) { return ReadLog().find(text) != std::string::npos; }
};

TEST_F(UpdateLog, EachOutcomeSaysWhatWasAskedAndWhatCameBack) {
    const struct {
        const char* what;
        std::function<void()> serve;
        std::string line;
    } rows[] = {
        {"server unreachable", [] { sim::ServeUrl(kManifestUrl, Answer([](sim::HttpAnswer& a) { a.unreachable = true; })); },
         "GET " + kSiteUrl + "update.txt: no answer, WinINet error 12029, 0 ms"},
        {"server silent", [] { sim::ServeUrl(kManifestUrl, Answer([](sim::HttpAnswer& a) { a.silent = true; })); },
         "GET " + kSiteUrl + "update.txt: no answer, WinINet error 12002, 30000 ms"},
        {"manifest not found", [] { sim::ServeUrl(kManifestUrl, Answer([](sim::HttpAnswer& a) { a.status = 404; })); },
         "GET " + kSiteUrl + "update.txt: HTTP 404, 0 bytes, 0 ms"},
        {"nothing newer", [] { sim::ServeBody(kManifestUrl, "5.0.0.0"); },
         "announced 5.0.0.0, running 5.0: not newer"},
        {"no signature served",
         [this] {
             Publish("5.0.0.1", newImage);
             sim::ServeUrl(kSigUrl, Answer([](sim::HttpAnswer& a) { a.status = 404; }));
         },
         "GET " + kSiteUrl + "tarnquill.exe.sig of 5.0.0.1: HTTP 404, 0 bytes, 0 ms"},
        {"forged release",
         [this] {
             Publish("5.0.0.1", newImage);
             sim::ServeBody(kSigUrl, SignatureOf(newImage, kStrangerKey));
         },
         "download of 5.0.0.1: bad signature"},
        {"undone here",
         [this] {
             Publish("5.0.0.1", newImage);
             sim::PutFile(kRecord, "5.0.0.1");
         },
         "no offer: 5.0.0.1 was undone here"},
        {"download too large",
         [this] {
             Publish("5.0.0.1", newImage);
             sim::ServeUrl(kExeUrl, Answer([](sim::HttpAnswer& a) { a.contentLength = kMaxDownloadBytes + 1; }));
         },
         "download of 5.0.0.1: too large"},
        {"updated", [this] { Publish("5.0.0.1", newImage); }, "swap to 5.0.0.1: done"},
        {"exit code", [] { sim::ServeBody(kManifestUrl, "not a version"); }, "/update /quiet: exit code 20"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        row.serve();
        RunQuietUpdate(Updater());
        EXPECT_TRUE(Logged(row.line)) << ReadLog();
    }
}

TEST_F(UpdateLog, TheWindowsCheckLogsEachAnswer) {
    Publish("5.0.0.1", newImage);
    WindowCheck main(Updater());
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDNO);
    main.TickAndPump();
    EXPECT_TRUE(Logged(" offer of 5.0.0.1: Yes\r\n")) << ReadLog();
    EXPECT_TRUE(Logged(" restart now: No\r\n")) << ReadLog();
}

// Held by another program, in a folder that is another user's or a link:
// nothing is written, and the update runs as without a log.
TEST_F(UpdateLog, ALogThatCannotBeWrittenChangesNothing) {
    const std::string folder = logtest::kLogFolder.substr(0, logtest::kLogFolder.size() - 1);
    const struct {
        const char* what;
        std::function<void()> make;
    } rows[] = {
        {"held", [] { sim::PutFile(logtest::kLog, ""); }},
        {"another user's folder",
         [&] { sim::SetAccess(folder, sim::Account::UserB, {sim::Everywhere(sim::Account::Users, sim::kFullControl)}, true); }},
        {"a link", [&] { sim::RemovePath(folder); sim::MakeFolder("C:\\Elsewhere"); sim::MakeLink(folder, "C:\\Elsewhere", true); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        logtest::CloseLog();
        row.make();
        logtest::OpenLog();
        plat::HANDLE holder = plat::CreateFileA(logtest::kLog.c_str(), plat::GENERIC_READ, 0, plat::OPEN_EXISTING, 0);
        Publish("5.0.0.1", newImage);
        EXPECT_EQ(kQuietUpdateCurrent, RunQuietUpdate(Updater()));
        EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
        EXPECT_EQ(LeftOver(), std::vector<std::string>{});
        EXPECT_TRUE(sim::MessageBoxes().empty());
        if (holder != plat::INVALID_HANDLE_VALUE) plat::CloseHandle(holder);
        EXPECT_EQ("", ReadLog());
        EXPECT_EQ(std::nullopt, sim::ReadFileBytes("C:\\Elsewhere\\tarnquill.log"));
    }
}

}  // namespace
}  // namespace updtest
