// On a shared machine the update is offered only to a user who can replace
// the executable they run: anyone else's check ends before it asks the
// server anything, and shows nothing.
#include "WindowCheck.h"

#include "update/ReplaceRight.h"

#include "RowName.h"

#include "tests/sim/SimSecurity.h"

using namespace updtest;
using sim::Account;
using sim::Everywhere;

namespace {

struct RightsRow {
    const char* what;
    Account owner;  // of the folder and the executable
    std::vector<sim::AccessEntry> folder;
    std::vector<sim::AccessEntry> executable;  // empty: as the folder passes on
    Account runs;
    ReplaceRight expected;
};

// How the program's folder is made: SYSTEM, Administrators and the
// installing user full control, Users read and execute.
std::vector<sim::AccessEntry> Installed(Account by) {
    return {Everywhere(Account::System, sim::kFullControl), Everywhere(Account::Administrators, sim::kFullControl),
            Everywhere(by, sim::kFullControl), Everywhere(Account::Users, sim::kReadExecute)};
}

const std::vector<sim::AccessEntry> kItsOwn = {Everywhere(Account::System, sim::kFullControl),
                                               Everywhere(Account::Administrators, sim::kFullControl),
                                               Everywhere(Account::Users, sim::kReadExecute)};
// Users may add files, not remove what is there.
const std::vector<sim::AccessEntry> kAddOnly = {Everywhere(Account::UserA, sim::kFullControl),
                                                {Account::Users, sim::kReadExecute | sim::kWrite, true, false, false}};

const RightsRow kRows[] = {
    {"the installing user", Account::UserA, Installed(Account::UserA), {}, Account::UserA, ReplaceRight::Granted},
    {"another user's copy", Account::UserA, Installed(Account::UserA), {}, Account::UserB,
     ReplaceRight::FolderClosed},
    {"an administrator, another user's copy", Account::UserA, Installed(Account::UserA), {}, Account::Administrators,
     ReplaceRight::Granted},
    {"a user, the administrators' copy", Account::Administrators, kItsOwn, {}, Account::UserB,
     ReplaceRight::FolderClosed},
    {"a user who may add files but not move the executable", Account::UserA, kAddOnly,
     {Everywhere(Account::UserA, sim::kFullControl), Everywhere(Account::Users, sim::kReadExecute)}, Account::UserB,
     ReplaceRight::ExecutableClosed},
};

class ReplaceRights : public WindowWorld, public ::testing::WithParamInterface<RightsRow> {};

TEST_P(ReplaceRights, OnlyAUserWhoCanReplaceTheExecutableIsAskedAnything) {
    const RightsRow& row = GetParam();
    ASSERT_TRUE(sim::SetAccess(kFolder, row.owner, row.folder, true));
    ASSERT_TRUE(sim::SetAccess(kExe, row.owner, row.executable, !row.executable.empty()));
    Publish("5.0.0.1", newImage);
    sim::SetCurrentUser(row.runs);
    const bool permitted = row.expected == ReplaceRight::Granted;
    if (permitted) {
        sim::QueueAnswer(plat::IDNO);  // the offer, declined
        sim::QueueAnswer(plat::IDOK);  // and so the failure message
    }

    EXPECT_EQ(row.expected, MayReplaceExecutable(kExe.c_str()));
    main->TickAndPump();

    sim::SetCurrentUser(Account::UserA);
    // Not permitted: no request, no offer, no failure message.
    EXPECT_EQ(permitted, !sim::OpenedUrls().empty());
    EXPECT_EQ(permitted ? 2u : 0u, sim::MessageBoxes().size());
    EXPECT_EQ(sim::ReadFileBytes(kExe), oldImage);
}

void PrintTo(const RightsRow& row, std::ostream* os) { *os << row.what; }

INSTANTIATE_TEST_SUITE_P(SharedMachine, ReplaceRights, ::testing::ValuesIn(kRows), RowName<RightsRow>);

}  // namespace
