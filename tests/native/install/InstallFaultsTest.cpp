// One failing operation at a time during the self-installation: afterwards
// a whole executable with a valid version stands at the install target, or
// the target was left as it was and this copy goes on running; the step
// itself never shows a message. (The failures of reading the own image, of
// the write, and of the start after a write are the install tests' own.)
#include "install/InstallFixture.h"

#include "base/FileVersion.h"

#include "RowName.h"

#include "tests/sim/SimFaults.h"

namespace installtest {
namespace {

const std::string kImage500 = sim::MakeExecutableImage("5.0.0.0");
const std::string kImage400 = sim::MakeExecutableImage("4.0.0.0");

// After the step: this copy was installed and the installed copy started
// (the window closes), the copy that was there started, this copy runs on,
// or the machine's folder could not be used and the user's own copy was
// installed and started instead.
enum class After { InstalledAndStarted, FormerCopyStarted, RunsOn, OwnCopy };

struct InstallFault {
    const char* what;
    sim::Op op;
    int nth;
    std::string installed;  // at the target beforehand; empty: nothing
    After after;
};

const sim::Fault kFail = sim::Fault::Failure();

const InstallFault kRows[] = {
    {"installed version size", sim::Op::GetFileVersionInfoSize, 1, kImage500, After::InstalledAndStarted},
    {"installed version data", sim::Op::GetFileVersionInfo, 1, kImage500, After::InstalledAndStarted},
    {"installed root query", sim::Op::VerQueryValue, 1, kImage500, After::InstalledAndStarted},
    {"folder exists, create fails", sim::Op::CreateProtectedDirectory, 1, kImage400, After::InstalledAndStarted},
    {"folder missing, create fails", sim::Op::CreateProtectedDirectory, 1, "", After::OwnCopy},
    {"folder's rights unreadable", sim::Op::GetSecurityInfo, 1, kImage400, After::OwnCopy},
    // The older copy's folder is read, its entries read, the folder repaired
    // and read again, its entries read again, and then the target.
    {"an entry's rights unreadable: it goes", sim::Op::GetSecurityInfo, 2, kImage400, After::InstalledAndStarted},
    {"repaired folder's rights unreadable", sim::Op::GetSecurityInfo, 3, kImage400, After::OwnCopy},
    {"target's rights unreadable", sim::Op::GetSecurityInfo, 5, kImage400, After::OwnCopy},
    {"older version's folder not repaired", sim::Op::ProtectDirectory, 1, kImage400, After::OwnCopy},
    {"target not opened, nothing there", sim::Op::CreateFileWrite, 1, "", After::RunsOn},
    {"target not opened, older copy there", sim::Op::CreateFileWrite, 1, kImage400, After::FormerCopyStarted},
    {"written image not flushed, older copy there", sim::Op::FlushFileBuffers, 1, kImage400, After::RunsOn},
    {"written target's close fails", sim::Op::CloseHandle, 2, kImage400, After::InstalledAndStarted},
    {"no common application data folder", sim::Op::SHGetSpecialFolderPath, 1, "", After::OwnCopy},
    {"written image not moved, older copy there", sim::Op::MoveFileEx, 1, kImage400, After::FormerCopyStarted},
    {"written image not moved, nothing there", sim::Op::MoveFileEx, 1, "", After::RunsOn},
};

class InstallFaults : public InstallTest {};
class EachInstallFault : public InstallFaults, public ::testing::WithParamInterface<InstallFault> {};

TEST_P(EachInstallFault, LeavesAWorkingProgram) {
    const InstallFault& row = GetParam();
    RunDownloaded(kImage500);
    if (!row.installed.empty()) {
        ASSERT_TRUE(sim::PutFile(kTarget, row.installed));
    }
    sim::InjectFault(row.op, row.nth, kFail);

    Step();

    EXPECT_EQ(0, sim::PendingFaultCount()) << "the fault was never reached";
    EXPECT_TRUE(sim::MessageBoxes().empty());
    // The running copy's own file is never touched.
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kDownloaded).value_or(""));
    switch (row.after) {
    case After::InstalledAndStarted:
        EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_TRUE(Relaunched());
        break;
    case After::FormerCopyStarted:
        EXPECT_EQ(row.installed, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_TRUE(Relaunched());
        break;
    case After::RunsOn:
        EXPECT_EQ(row.installed, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_TRUE(NothingStartedOrClosed());
        break;
    case After::OwnCopy:
        EXPECT_EQ(row.installed, sim::ReadFileBytes(kTarget).value_or(""));
        EXPECT_EQ(kImage500, sim::ReadFileBytes(kOwnTarget).value_or(""));
        EXPECT_TRUE(Relaunched(kOwnTarget));
        break;
    }
    // Whatever stands at the target is a program with a version, and
    // nothing half-made is left beside it.
    if (sim::Exists(kTarget)) {
        EXPECT_FALSE(GetInstalledVersionOf(kTarget.c_str()).IsEmpty());
    }
    EXPECT_FALSE(sim::Exists(kStaged));
}

// gtest lists a row by its text rather than its bytes.
void PrintTo(const InstallFault& row, std::ostream* os) { *os << row.what; }

INSTANTIATE_TEST_SUITE_P(OneAtATime, EachInstallFault, ::testing::ValuesIn(kRows), RowName<InstallFault>);

// A write that fails half-way and a partial file that cannot be removed:
// the installed copy is still untouched, only the leftover lies beside it.
TEST_F(InstallFaults, APartialImageThatCannotBeRemovedNeverReplacesTheInstalledCopy) {
    RunDownloaded(kImage500);
    ASSERT_TRUE(sim::PutFile(kTarget, kImage400));
    sim::InjectFault(sim::Op::WriteFile, 1, sim::Fault::Short(100));
    sim::InjectFault(sim::Op::DeleteFile, 1);

    Step();

    EXPECT_EQ(0, sim::PendingFaultCount());
    EXPECT_EQ(kImage400, sim::ReadFileBytes(kTarget).value_or(""));
    EXPECT_EQ(100u, sim::ReadFileBytes(kStaged).value_or("").size());
    EXPECT_TRUE(NothingStartedOrClosed());
    EXPECT_TRUE(sim::MessageBoxes().empty());

    // The next start, another process, stages under its own name and installs.
    sim::SetProcessId(kPid + 1);
    Step();
    EXPECT_EQ(kImage500, sim::ReadFileBytes(kTarget).value_or(""));
}

TEST_F(InstallFaults, WithoutTheApplicationDataFolderNothingLandsInTheDrivesRoot) {
    sim::InjectFault(sim::Op::SHGetSpecialFolderPath, 1);
    RunDownloaded(kImage500);
    Step();
    EXPECT_FALSE(sim::Exists("C:\\Veltrano"));
    EXPECT_STREQ("tarnquill.exe", m_exeName);

    // The shell answering with an empty path is the same; with neither
    // folder known, this copy runs on where it is.
    TearDown();
    SetUp();
    sim::SetSpecialFolder(plat::CSIDL_COMMON_APPDATA, "");
    sim::SetSpecialFolder(plat::CSIDL_LOCAL_APPDATA, "");
    RunDownloaded(kImage500);
    Step();
    EXPECT_FALSE(sim::Exists("C:\\Veltrano"));
    EXPECT_TRUE(NothingStartedOrClosed());
}

}  // namespace
}  // namespace installtest
