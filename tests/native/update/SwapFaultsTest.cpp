// One failing operation at a time during a whole scheduled update, from the
// timer to the last message: afterwards an executable with a valid version
// stands at the executable's path, and the user saw only the offer and the
// one message its outcome calls for. (Cases the update tests already drive
// at the procedure's level are not repeated here.)
#include "update/WindowCheck.h"

#include "RowName.h"

#include "platform/User.h"
#include "tests/sim/SimFaults.h"
#include <optional>

using namespace updtest;

namespace {

const std::string kOffer = "新版本 5.0.0.1 现在可用，是否下载更新？";
const std::string kSuccess = "更新成功！是否立刻重新启动程序以使更新生效？";
const std::string kFailure = "对不起，更新失败！请手动至" TQ_HOME_PAGE "下载更新程序。";

// What the user meets: nothing, or the offer followed by one message.
enum class Seen { Nothing, OfferThenSuccess, OfferThenFailure };
// What stands beside the executable afterwards.
enum class Temp { Absent, Served };
enum class Backup { Untouched, OldImage };

struct SwapFault {
    const char* what;
    sim::Op op;
    int nth;
    sim::Fault fault;
    Seen seen;
    Temp temp;
    Backup backup;
    bool earlierBackup = false;  // an "OldExecutable.bak" from a former update
    const char* served = nullptr;  // the executable's body, when not the new image
};

const sim::Fault kFail = sim::Fault::Failure();
constexpr Seen kSilent = Seen::Nothing;
constexpr Seen kFailed = Seen::OfferThenFailure;
constexpr Seen kUpdated = Seen::OfferThenSuccess;

// Call numbers count from the timer: the own file's version is read through
// the version library before the offer; under the update lock the installed
// executable is opened for reading (the 1st read-only open) and its version
// read from its bytes (kInstalledVersionReads reads); the download is read
// back through its own handle for the signature (2 reads of the small new
// image), the executable check (2) and the version; the status is asked of
// the manifest, the signature, then the executable (3rd); the 1st file
// deleted is the earlier backup, or a rejected download.
constexpr int kInstalledVersionReads = 12;
constexpr int kFirstReadBack = kInstalledVersionReads + 1;
constexpr int kFirstVersionReadBack = kFirstReadBack + 4;
const SwapFault kRows[] = {
    {"module path unknown", sim::Op::GetModuleFileName, 1, kFail, kSilent, Temp::Absent, Backup::Untouched},
    {"own version size", sim::Op::GetFileVersionInfoSize, 1, kFail, kSilent, Temp::Absent, Backup::Untouched},
    {"own version data", sim::Op::GetFileVersionInfo, 1, kFail, kSilent, Temp::Absent, Backup::Untouched},
    {"own version root query", sim::Op::VerQueryValue, 1, kFail, kSilent, Temp::Absent, Backup::Untouched},
    {"executable status query", sim::Op::HttpQueryInfo, 3, kFail, kFailed, Temp::Absent, Backup::Untouched},
    // After the two openings that ask whether this user may replace it and
    // the lock's look at the owner of the executable's folder.
    {"installed version unreadable", sim::Op::CreateFileRead, 4, kFail, kUpdated, Temp::Absent, Backup::OldImage},
    {"download file not created", sim::Op::CreateFileWrite, 1, kFail, kFailed, Temp::Absent, Backup::Untouched},
    {"download write fails", sim::Op::WriteFile, 1, kFail, kFailed, Temp::Absent, Backup::Untouched},
    {"download not flushed", sim::Op::FlushFileBuffers, 1, kFail, kFailed, Temp::Absent, Backup::Untouched},
    {"download close fails", sim::Op::CloseHandle, 2, kFail, kUpdated, Temp::Absent, Backup::OldImage},
    {"read-back read fails", sim::Op::ReadFile, kFirstReadBack, kFail, kFailed, Temp::Absent, Backup::Untouched},
    {"read-back read short", sim::Op::ReadFile, kFirstReadBack, sim::Fault::Short(10), kUpdated, Temp::Absent,
     Backup::OldImage},
    {"downloaded version unreadable", sim::Op::ReadFile, kFirstVersionReadBack, kFail, kFailed, Temp::Absent,
     Backup::Untouched},
    {"earlier backup not deleted", sim::Op::DeleteFile, 1, kFail, kUpdated, Temp::Absent, Backup::Untouched, true},
    {"nothing to delete, delete fails", sim::Op::DeleteFile, 1, kFail, kUpdated, Temp::Absent, Backup::OldImage},
    {"executable not moved aside", sim::Op::MoveFileEx, 1, kFail, kFailed, Temp::Absent, Backup::Untouched},
    {"rejected download not deleted", sim::Op::DeleteFile, 1, kFail, kFailed, Temp::Served, Backup::Untouched,
     false, "<html>503 Service Unavailable</html>"},
};

class SwapFaults : public WindowWorld {
protected:
    void TearDown() override {
        main.reset();
        sim::SetRunningImage(kExe, false);
        sim::SetRunningImage(kBackup, false);
        WindowWorld::TearDown();
    }

    std::vector<std::string> Texts() {
        std::vector<std::string> out;
        for (const auto& box : sim::MessageBoxes()) out.push_back(box.text);
        return out;
    }

};

class EachSwapFault : public SwapFaults, public ::testing::WithParamInterface<SwapFault> {};

TEST_P(EachSwapFault, LeavesAWorkingExecutable) {
    const SwapFault& row = GetParam();
    const std::string earlier = sim::MakeExecutableImage("4.0.0.0");
    if (row.earlierBackup) sim::PutFile(kBackup, earlier);
    const std::string served = row.served ? row.served : newImage;
    Publish("5.0.0.1", served);
    if (row.seen != Seen::Nothing) {
        sim::QueueAnswer(plat::IDYES);  // the offer
        sim::QueueAnswer(row.seen == Seen::OfferThenSuccess ? plat::IDNO : plat::IDOK);
    }
    sim::InjectFault(row.op, row.nth, row.fault);

    main->TickAndPump();

    EXPECT_EQ(sim::PendingFaultCount(), 0) << "the fault was never reached";
    EXPECT_EQ(sim::PendingAnswers(), 0);
    switch (row.seen) {
    case Seen::Nothing:
        EXPECT_TRUE(Texts().empty());
        break;
    case Seen::OfferThenSuccess:
        EXPECT_EQ(Texts(), (std::vector<std::string>{kOffer, kSuccess}));
        break;
    case Seen::OfferThenFailure:
        EXPECT_EQ(Texts(), (std::vector<std::string>{kOffer, kFailure}));
        break;
    }

    // The executable's path holds a whole program with a version, as the
    // next start reads it once this program has ended.
    const bool updated = row.seen == Seen::OfferThenSuccess;
    EXPECT_EQ(sim::ReadFileBytes(kExe), updated ? newImage : oldImage);
    sim::SetRunningImage(kExe, false);
    sim::SetRunningImage(kBackup, false);
    sim::SetRunningImage(kFolder + "\\OldExecutable.4242.bak", false);  // the swap's own backup
    EXPECT_EQ(GetInstalledVersionOf(kExe.c_str()), updated ? "5.0.0.1" : "5.0.0.0");
    EXPECT_FALSE(g_bRestartAfterUpdate);

    const std::optional<std::string> backupBefore =
        row.earlierBackup ? std::optional<std::string>(earlier) : std::nullopt;
    EXPECT_EQ(sim::ReadFileBytes(kBackup),
              row.backup == Backup::OldImage ? std::optional<std::string>(oldImage) : backupBefore);
    switch (row.temp) {
    case Temp::Absent: EXPECT_FALSE(sim::Exists(kDownload)); break;
    case Temp::Served: EXPECT_EQ(sim::ReadFileBytes(kDownload), served); break;
    }
}

// gtest lists a row by its text rather than its bytes.
void PrintTo(const SwapFault& row, std::ostream* os) { *os << row.what; }

INSTANTIATE_TEST_SUITE_P(OneAtATime, EachSwapFault, ::testing::ValuesIn(kRows), RowName<SwapFault>);

// Two failures in the swap itself: the second move and the move back. The
// old image is never lost: it is kept whole as the backup.
TEST_F(SwapFaults, WhenEvenTheMoveBackFailsTheOldImageIsKeptAsBackup) {
    Publish("5.0.0.1", newImage);
    sim::QueueAnswer(plat::IDYES);
    sim::QueueAnswer(plat::IDOK);
    sim::InjectFault(sim::Op::MoveFileEx, 2);
    sim::InjectFault(sim::Op::MoveFileEx, 3);

    main->TickAndPump();

    EXPECT_EQ(Texts(), (std::vector<std::string>{kOffer, kFailure}));
    EXPECT_EQ(sim::ReadFileBytes(kBackup), oldImage);
    EXPECT_FALSE(sim::Exists(kDownload));
}

}  // namespace
