// "/update /quiet" and what an administrator sets: the exit code of each
// way the headless update ends, the policy as read from the machine's key,
// and the update lock of a machine-wide copy shared by every session.
#include "WindowCheck.h"

#include "update/QuietUpdate.h"
#include "update/UpdatePolicy.h"
#include "update/UpdateSettings.h"

#include "base/ProgramPaths.h"
#include "platform/Registry.h"
#include "platform/Threads.h"
#include "platform/User.h"
#include "tests/sim/SimRegistry.h"
#include "tests/sim/SimSecurity.h"

#include <cstring>
#include <functional>
#include <string>

using namespace updtest;
using sim::Account;

namespace {

const std::string kPolicy = "Software\\Policies\\Veltrano\\tarnquill";
const std::string kMirror = "http://mirror.corp.example/veltrano/";

std::string Dword(plat::DWORD value) { return std::string(reinterpret_cast<const char*>(&value), 4); }
std::string Sz(const std::string& text) { return text + '\0'; }

// The folder as the silent installation leaves it: Administrators own it,
// SYSTEM and Administrators change it, every user starts the program.
void MakeMachineCopy() {
    ASSERT_TRUE(sim::SetAccess(kFolder, Account::Administrators,
                               {sim::Everywhere(Account::System, sim::kFullControl),
                                sim::Everywhere(Account::Administrators, sim::kFullControl),
                                sim::Everywhere(Account::Users, sim::kReadExecute)},
                               true));
}

void Answer(const std::string& url, plat::DWORD status) {
    sim::HttpAnswer answer;
    answer.status = status;
    answer.unreachable = status == 0;
    answer.body = "x";
    sim::ServeUrl(url, answer);
}

class QuietUpdate : public UpdateWorld {
protected:
    int Run() { return RunQuietUpdate(Updater()); }
    UpdateLock otherCopy;
};

TEST_F(QuietUpdate, EachWayItEndsHasItsExitCodeAndOnlyCurrentIsZero) {
    const struct {
        const char* name;
        int exitCode;
        std::function<void()> arrange;  // after the release 5.0.0.1 is published
    } rows[] = {
        {"nothing newer", kQuietUpdateCurrent, [this] { Publish("5.0.0.0", oldImage); }},
        {"no connection", kQuietUpdateNetwork, [] { sim::SetConnected(false); }},
        {"server unreachable", kQuietUpdateNetwork, [] { Answer(kManifestUrl, 0); }},
        {"manifest no version", kQuietUpdateNetwork, [] { sim::ServeBody(kManifestUrl, "<html>moved</html>"); }},
        {"executable gone", kQuietUpdateNetwork, [] { Answer(kExeUrl, 404); }},
        {"no signature", kQuietUpdateSignature, [] { Answer(kSigUrl, 404); }},
        {"forged release", kQuietUpdateSignature,
         [this] { sim::ServeBody(kSigUrl, SignatureOf(newImage, kStrangerKey)); }},
        {"over the bound", kQuietUpdateTooLarge,
         [this] {
             sim::HttpAnswer huge;
             huge.body = newImage;
             huge.contentLength = kMaxDownloadBytes + 1;
             sim::ServeUrl(kExeUrl, huge);
         }},
        {"folder not this user's to write", kQuietUpdateNotAllowed, [] { MakeMachineCopy(); }},
        {"lock held by another copy", kQuietUpdateLockHeld,
         [this] { ASSERT_TRUE(otherCopy.Acquire(kExe.c_str(), 0)); }},
        {"announced version undone here", kQuietUpdateUndone,
         [] { sim::PutFile(StdString(UndoneUpdateRecordBeside(kExe.c_str())), "5.0.0.1"); }},
        {"running program without version", kQuietUpdateNoVersion,
         [] {
             sim::SetRunningImage(kExe, false);
             sim::PutFile(kExe, sim::MakeExecutableImageWithoutVersion());
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        Publish("5.0.0.1", newImage);
        row.arrange();
        const std::string before = sim::ReadFileBytes(kExe).value_or("");
        EXPECT_EQ(Run(), row.exitCode);
        EXPECT_EQ(sim::ReadFileBytes(kExe), before) << "changed";
        EXPECT_FALSE(sim::Exists(kBackup));
        for (const std::string& name : LeftOver()) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        EXPECT_TRUE(sim::MessageBoxes().empty());
        otherCopy.Release();
        updater.reset();
    }
}

TEST_F(QuietUpdate, InstallsWithoutAskingRestartsNobodyAndASecondRunChangesNothing) {
    Publish("5.0.0.1", newImage);
    EXPECT_EQ(Run(), kQuietUpdateCurrent);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_TRUE(sim::ProcessStarts().empty()) << "a running copy gets the new version at its next start";

    // A second run started from the old image before the swap (a task and an
    // administrator's command at once) finds the new version on disk: nothing
    // downloaded, nothing moved. (The next day's run starts from the new one.)
    updater.reset();
    sim::ResetInet();
    Publish("5.0.0.1", newImage);
    EXPECT_EQ(Run(), kQuietUpdateCurrent);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    for (const auto& read : sim::UrlReads()) EXPECT_NE(read.url, kExeUrl);
}

// ------------------------------------------------------------------ policy

struct PolicyRow {
    const char* name;
    plat::DWORD autoUpdateType;  // 0: no value
    std::string autoUpdate;
    plat::DWORD urlType;
    std::string url;
    bool expectOn;
    std::string expectDirectory;
};

TEST(Policy, ReadFromTheMachinesKeyElseTheBuiltInBehaviour) {
    const std::string builtIn = kUpdateDirectoryUrl;
    const std::string other = std::string(std::strcmp(TQ_SCHEME, "http") == 0 ? "https" : "http") +
                              "://mirror.corp.example/veltrano/";
    const PolicyRow rows[] = {
        {"no key", 0, "", 0, "", true, builtIn},
        {"off", plat::REG_DWORD, Dword(0), 0, "", false, builtIn},
        {"on", plat::REG_DWORD, Dword(1), 0, "", true, builtIn},
        {"any other number", plat::REG_DWORD, Dword(7), 0, "", true, builtIn},
        {"0 as text", plat::REG_SZ, Sz("0"), 0, "", true, builtIn},
        {"short DWORD", plat::REG_DWORD, std::string(2, '\0'), 0, "", true, builtIn},
        {"mirror", 0, "", plat::REG_SZ, Sz(kMirror), true, kMirror},
        {"mirror without its last slash", 0, "", plat::REG_SZ, Sz(kMirror.substr(0, kMirror.size() - 1)), true,
         kMirror},
        {"scheme in capitals", 0, "", plat::REG_SZ, Sz("HTTP://mirror.corp.example/veltrano"), true,
         "HTTP://mirror.corp.example/veltrano/"},
        {"another scheme", 0, "", plat::REG_SZ, Sz(other), true, builtIn},
        {"a file path", 0, "", plat::REG_SZ, Sz("\\\\server\\share\\veltrano\\"), true, builtIn},
        {"no host", 0, "", plat::REG_SZ, Sz("http:///veltrano/"), true, builtIn},
        {"a query", 0, "", plat::REG_SZ, Sz(kMirror + "?token=1"), true, builtIn},
        {"a blank", 0, "", plat::REG_SZ, Sz("http://mirror.corp.example/vel trano/"), true, builtIn},
        {"empty", 0, "", plat::REG_SZ, Sz(""), true, builtIn},
        {"too long", 0, "", plat::REG_SZ, Sz(kMirror + std::string(kPolicyUrlMax, 'a')), true, builtIn},
        {"not a string", 0, "", plat::REG_DWORD, Dword(1), true, builtIn},
        {"both", plat::REG_DWORD, Dword(0), plat::REG_SZ, Sz(kMirror), false, kMirror},
    };
    for (const PolicyRow& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Reset();
        // A 32-bit program on 64-bit Windows, where tools write the 64-bit view.
        sim::SetWow64(true);
        if (row.autoUpdateType) sim::PutMachineValue(kPolicy, kPolicyAutoUpdate, row.autoUpdateType, row.autoUpdate);
        if (row.urlType) sim::PutMachineValue(kPolicy, kPolicyUpdateUrl, row.urlType, row.url);
        const UpdatePolicy policy = ReadUpdatePolicy();
        EXPECT_EQ(policy.autoUpdate, row.expectOn);
        EXPECT_EQ(StdString(policy.directory), row.expectDirectory);
        EXPECT_EQ(sim::OpenRegistryKeyCount(), 0);
    }
}

class PolicyWindow : public WindowWorld {};

TEST_F(PolicyWindow, OffTheWindowMakesNoRequestYetTheQuietUpdateRuns) {
    sim::PutMachineValue(kPolicy, kPolicyAutoUpdate, plat::REG_DWORD, Dword(0));
    Publish("5.0.0.1", newImage);
    main.emplace(Updater());
    EXPECT_FALSE(main->TimerLive()) << "the check was scheduled";
    // A tick from elsewhere (another program may post WM_TIMER) changes nothing.
    plat::SendMessageA(main->window, plat::WM_TIMER, IDT_UPDATE_CHECK, 0);
    sim::Pump();
    EXPECT_TRUE(sim::OpenedUrls().empty());
    EXPECT_TRUE(sim::MessageBoxes().empty());

    EXPECT_EQ(RunQuietUpdate(Updater()), kQuietUpdateCurrent);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
}

TEST_F(PolicyWindow, TheMirrorServesTheWindowAndTheQuietUpdateAndStillNeedsTheMakersSignature) {
    sim::PutMachineValue(kPolicy, kPolicyUpdateUrl, plat::REG_SZ, Sz("http://mirror.corp.example/veltrano"));
    const std::string mirrorManifest = kMirror + "update.txt";
    const std::string mirrorSig = kMirror + "tarnquill.exe.sig?v=5.0.0.1";
    const std::string mirrorExe = kMirror + "tarnquill.exe?v=5.0.0.1";
    sim::ServeBody(mirrorManifest, "5.0.0.1");
    sim::ServeBody(mirrorSig, SignatureOf(newImage, kStrangerKey));  // the mirror's own "release"
    sim::ServeBody(mirrorExe, newImage);
    main.emplace(Updater(), nullptr);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDOK);
    main->TickAndPump();
    EXPECT_EQ(sim::OpenedUrls(), (std::vector<std::string>{mirrorManifest, mirrorSig, mirrorExe}));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"有新版更新", kFailureCaption}));
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);

    EXPECT_EQ(RunQuietUpdate(Updater()), kQuietUpdateSignature);
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);

    sim::ServeBody(mirrorSig, SignatureOf(newImage));
    EXPECT_EQ(RunQuietUpdate(Updater()), kQuietUpdateCurrent);
    EXPECT_EQ(sim::ReadFileBytes(kExe), newImage);
}

// ---------------------------------------------------- the machine's lock

class MachineLock : public UpdateWorld {
protected:
    void TearDown() override {
        sim::SetCurrentUser(Account::UserA);
        sim::SetSession(1);
        UpdateWorld::TearDown();
    }
    static bool TakeAs(UpdateLock& lock, Account user, plat::DWORD session) {
        sim::SetCurrentUser(user);
        sim::SetSession(session);
        return lock.Acquire(kExe.c_str(), 0);
    }
};

TEST_F(MachineLock, EverySessionTakesTurnsAndNoStandardUserHoldsItFirst) {
    MakeMachineCopy();
    // A standard user's copy comes first: it cannot reach the machine's
    // lock, and its own keeps nobody else waiting.
    UpdateLock user, task, admin;
    ASSERT_TRUE(TakeAs(user, Account::UserB, 2));
    // The scheduled task, SYSTEM in session 0, takes the machine's lock ...
    ASSERT_TRUE(TakeAs(task, Account::System, 0));
    // ... and an administrator's window in session 1 waits for it.
    EXPECT_FALSE(TakeAs(admin, Account::Administrators, 1));
    Publish("5.0.0.1", newImage);
    EXPECT_EQ(RunQuietUpdate(Updater()), kQuietUpdateLockHeld);
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
    task.Release();
    EXPECT_TRUE(TakeAs(admin, Account::Administrators, 1));
    admin.Release();
    user.Release();
}

TEST_F(MachineLock, APerUserCopyKeepsTheSessionsOwnLock) {
    // Owned by the user who installed it: each session's copies update one
    // at a time, as before, and another session's lock is another object.
    UpdateLock one, two;
    ASSERT_TRUE(TakeAs(one, Account::UserA, 1));
    EXPECT_TRUE(TakeAs(two, Account::UserA, 2));
    sim::SetSession(1);
    EXPECT_TRUE(sim::MutexHeld(StdString(UpdateLockName(kExe.c_str()))));
    one.Release();
    two.Release();
}

}  // namespace
