// Rules of the simulated kernel that the contract suite cannot check under
// Wine, each with the reason. Every other rule of the simulation is in
// tests/contract, where the real calls must pass it too.
#include "platform/Kernel.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

using namespace plat;

namespace {

class SimOnlyRules : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
};

// The seam cannot set the current directory, and the test program's own is
// wherever the harness starts it.
TEST_F(SimOnlyRules, RelativePathsAndOtherSpellingsOfAPath) {
    sim::SetCurrentDirectory("C:\\Work");
    ASSERT_TRUE(sim::MakeFolder("C:\\Work"));
    ASSERT_TRUE(sim::PutFile("C:\\Work\\out.bin", "x"));
    EXPECT_TRUE(FileExists("out.bin"));
    EXPECT_TRUE(FileExists("..\\Work\\.\\out.bin"));
    EXPECT_TRUE(FileExists("\\Work\\out.bin"));
    EXPECT_TRUE(FileExists("C:/work//OUT.BIN"));
    EXPECT_FALSE(FileExists("D:\\Work\\out.bin"));  // another letter, another volume
}

// Wine's drives lie on one Unix file system, and Wine moves across them
// without a copy; Windows refuses unless MOVEFILE_COPY_ALLOWED is given, and
// a running image cannot be copied and deleted.
TEST_F(SimOnlyRules, MovesAcrossVolumesNeedCopyAllowedAndNoRunningImage) {
    ASSERT_TRUE(sim::PutFile("D:\\Temp\\tarnquill.exe", "MZ"));
    ASSERT_TRUE(sim::MakeFolder("C:\\app"));
    EXPECT_FALSE(MoveFileExA("D:\\Temp\\tarnquill.exe", "C:\\app\\tarnquill.exe", 0));
    EXPECT_TRUE(MoveFileExA("D:\\Temp\\tarnquill.exe", "C:\\app\\tarnquill.exe", MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("MZ", sim::ReadFileBytes("C:\\app\\tarnquill.exe"));
    sim::SetRunningImage("C:\\app\\tarnquill.exe", true);
    EXPECT_FALSE(MoveFileExA("C:\\app\\tarnquill.exe", "D:\\old.bak", MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(sim::IsRunningImage("C:\\app\\tarnquill.exe"));
}

// Windows refuses a delayed move that may copy (ERROR_INVALID_PARAMETER);
// Wine records it.
TEST_F(SimOnlyRules, ADelayedMoveCannotBeACopy) {
    ASSERT_TRUE(sim::PutFile("C:\\t\\new.exe", "N"));
    EXPECT_FALSE(MoveFileExA("C:\\t\\new.exe", "C:\\x", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED));
    EXPECT_TRUE(sim::PendingMoves().empty());
}

// The program converts only from the ANSI code page with flags 0 or
// MB_PRECOMPOSED; the simulation refuses anything else, where Windows would
// convert, so that a change of either shows in the tests.
TEST_F(SimOnlyRules, CodePageConversionOnlyAsTheProgramAsksForIt) {
    WCHAR wide[MAX_PATH];
    EXPECT_EQ(0, MultiByteToWideChar(65001, 0, "a", -1, wide, MAX_PATH));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0x8 /* MB_ERR_INVALID_CHARS */, "a", -1, wide, MAX_PATH));
    EXPECT_EQ(2, MultiByteToWideChar(CP_ACP, 0, "a", -1, wide, MAX_PATH));
}

}  // namespace
