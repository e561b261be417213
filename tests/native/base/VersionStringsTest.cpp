// Version strings made from files' fixed version blocks, their validation
// and their comparison, against executables in the simulated file system.
#include "base/FileVersion.h"
#include "base/VersionStrings.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kExe = "C:\\Program Files\\Veltrano\\tarnquill.exe";

class VersionStrings : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    void TearDown() override { EXPECT_EQ(0, sim::OpenFileHandleCount()); }

    static plat::DWORD Words(unsigned hi, unsigned lo) { return hi << 16 | lo; }
    void PutExe(plat::DWORD ms, plat::DWORD ls) { ASSERT_TRUE(sim::PutFile(kExe, sim::MakeExecutableImage(ms, ls))); }
};

struct FileVersionCase {
    unsigned v[4];
    const char* shortForm;  // GetFileVersionString
    const char* fullForm;   // GetInstalledVersionOf
};

TEST_F(VersionStrings, FileVersionGivesTheTwoOutputForms) {
    const FileVersionCase cases[] = {
        {{5, 0, 0, 0}, "5.0", "5.0.0.0"},
        {{5, 2, 0, 0}, "5.2", "5.2.0.0"},
        {{5, 0, 0, 1}, "5.0.0.1", "5.0.0.1"},
        {{5, 0, 3, 0}, "5.0.3.0", "5.0.3.0"},
        {{1, 0, 0, 0}, "1.0", "1.0.0.0"},
        {{0, 1, 0, 0}, "0.1", "0.1.0.0"},
        {{0, 0, 0, 0}, "", "0.0.0.0"},
        {{0, 0, 0, 7}, "0.0.0.7", "0.0.0.7"},
        // Each number is an unsigned 16-bit value: no sign, no mixing of halves.
        {{65535, 65535, 65535, 65535}, "65535.65535.65535.65535", "65535.65535.65535.65535"},
        {{65535, 1, 0, 0}, "65535.1", "65535.1.0.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fullForm);
        sim::Reset();
        PutExe(Words(c.v[0], c.v[1]), Words(c.v[2], c.v[3]));
        EXPECT_STREQ(c.shortForm, GetFileVersionString(kExe));
        EXPECT_STREQ(c.fullForm, GetInstalledVersionOf(kExe));
    }
}

TEST_F(VersionStrings, VersionTextOfTheImageMakerRoundTrips) {
    ASSERT_TRUE(sim::PutFile(kExe, sim::MakeExecutableImage("5.0.0.0")));
    EXPECT_STREQ("5.0", GetFileVersionString(kExe));
    // The two forms of one version denote the same version.
    EXPECT_EQ(0, CompareVersions(GetFileVersionString(kExe), GetInstalledVersionOf(kExe)));
}

TEST_F(VersionStrings, FilesWithoutAVersionGiveTheEmptyString) {
    ASSERT_TRUE(sim::PutFile("C:\\a\\plain.exe", sim::MakeExecutableImageWithoutVersion()));
    ASSERT_TRUE(sim::PutFile("C:\\a\\notes.txt", "5.0.0.0"));
    ASSERT_TRUE(sim::PutFile("C:\\a\\empty.exe", ""));
    ASSERT_TRUE(sim::MakeFolder("C:\\a\\folder.exe"));
    for (const char* path : {"C:\\a\\plain.exe", "C:\\a\\notes.txt", "C:\\a\\empty.exe", "C:\\a\\folder.exe",
                             "C:\\a\\missing.exe", "Q:\\nowhere\\tarnquill.exe", ""}) {
        SCOPED_TRACE(path);
        EXPECT_STREQ("", GetFileVersionString(path));
        EXPECT_STREQ("", GetInstalledVersionOf(path));
    }
    EXPECT_STREQ("", GetFileVersionString(nullptr));
    EXPECT_STREQ("", GetInstalledVersionOf(nullptr));
}

TEST_F(VersionStrings, AFailureOfAnyVersionCallGivesTheEmptyString) {
    for (sim::Op op : {sim::Op::GetFileVersionInfoSize, sim::Op::GetFileVersionInfo, sim::Op::VerQueryValue}) {
        SCOPED_TRACE(static_cast<int>(op));
        sim::Reset();
        PutExe(Words(5, 0), Words(0, 1));
        sim::InjectFault(op, 1);
        EXPECT_STREQ("", GetFileVersionString(kExe));
        sim::InjectFault(op, 1);
        EXPECT_STREQ("", GetInstalledVersionOf(kExe));
        EXPECT_EQ(0, sim::PendingFaultCount());  // both really met the fault
        // The next reading is not disturbed by the failed one.
        EXPECT_STREQ("5.0.0.1", GetFileVersionString(kExe));
    }
}

TEST_F(VersionStrings, ASizeOfZeroStopsBeforeTheRead) {
    PutExe(Words(5, 0), 0);
    sim::InjectFault(sim::Op::GetFileVersionInfoSize, 1);
    EXPECT_STREQ("", GetFileVersionString(kExe));
    EXPECT_EQ(0, sim::CallCount(sim::Op::GetFileVersionInfo));
    EXPECT_EQ(0, sim::CallCount(sim::Op::VerQueryValue));
}

// The block of the size the library announces cannot be had: the process
// runs under an address-space limit far below it.
TEST(VersionStringsDeathTest, AnAllocationFailureGivesTheEmptyString) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            sim::Reset();
            sim::PutFile(kExe, sim::MakeExecutableImage("5.0.0.1"));
            sim::SetVersionInfoSizeOverride(0xF0000000u);
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            long pages = 0;
            if (FILE* f = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
                std::fclose(f);
            }
            limit.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (64u << 20);
            setrlimit(RLIMIT_AS, &limit);
            const bool shortEmpty = GetFileVersionString(kExe).IsEmpty();
            const bool fullEmpty = GetInstalledVersionOf(kExe).IsEmpty();
            sim::SetVersionInfoSizeOverride(0);
            const bool stillWorks = GetFileVersionString(kExe) == "5.0.0.1";
            std::exit(shortEmpty && fullEmpty && stillWorks ? 42 : 1);
        },
        ::testing::ExitedWithCode(42), "");
}

struct CompareCase {
    const char* first;
    const char* second;
    int result;
};

// Each pair compares as given, and neither string is changed by it.
template <std::size_t N>
void ExpectCompared(const CompareCase (&cases)[N]) {
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " | " + c.second);
        CString first(c.first), second(c.second);
        EXPECT_EQ(c.result, CompareVersions(first, second));
        EXPECT_STREQ(c.first, first);
        EXPECT_STREQ(c.second, second);
    }
}

TEST_F(VersionStrings, ComparisonOfTheWorkedExamples) {
    const CompareCase cases[] = {
        {"5.0.0.1", "5.0", 1},
        {"5.1", "5.0.0.9", 1},
        {"5.0", "5.0.0.0", 0},
        {"4.9.9.9", "5.0", -1},
        {"5.10", "5.9", 1},
        {"05.01", "5.1", 0},
        {"5..1.", "5.1", 0},
        {"6", "5.9.9.9", 1},
        {"1.2.3.4.5", "1.0", -21},
        {"", "5.0", -21},
        {".", "5.0", -21},
        {"5.0.0.1\r\n", "5.0", -21},
        {"v5.1", "5.0", -21},
        {"x", "", -21},
        {"5.1", "", -22},
        {"5.1", "5.0 beta", -22},
    };
    ExpectCompared(cases);
}

TEST_F(VersionStrings, ComparisonEdges) {
    const CompareCase cases[] = {
        {"1.2.3.4.", "1.2.3.4", 0},      // a trailing dot after four components
        {"1.2.3.4.0", "1.2.3.4", -21},   // a fifth component, even a zero
        {"...5...", "5", 0},
        {"5.0", "5.0.0.0.", 0},
        {"5.0", "1.2.3.4.5", -22},
        {"5.0", ".", -22},
        {"-1", "0", -21},
        {"+1", "1", -21},
        {" 5", "5", -21},
        {"5", "5\n", -22},
        {"5.0.0.0", "4.65535.65535.65535", 1},
        {"0.0.0.1", "0", 1},
        {"0", "", -22},
        {"\xA3\xB5", "5", -21},  // a full-width digit five
        // Components up to the largest signed 32-bit integer compare as numbers.
        {"2147483647", "2147483646", 1},
        {"1.2147483647", "1.000002147483647", 0},
        // Beyond it the string is not a version.
        {"2147483648", "1", -21},
        {"1", "1.99999999999999999999", -22},
        {"4294967296", "0", -21},
    };
    ExpectCompared(cases);
}

TEST_F(VersionStrings, ComparisonIsAntisymmetric) {
    const char* versions[] = {"0", "0.0.0.1", "1", "1.0.0.1", "4.9.9.9", "5", "5.0.0.1", "5.1", "5.10", "6", "65535.0.0.0"};
    for (const char* a : versions) {
        for (const char* b : versions) {
            SCOPED_TRACE(std::string(a) + " | " + b);
            const int ab = CompareVersions(a, b);
            EXPECT_EQ(-ab, CompareVersions(b, a));
            EXPECT_EQ(std::string(a) == b, ab == 0);
        }
    }
}

TEST_F(VersionStrings, IsNumericAcceptsOnlyAsciiDigits) {
    EXPECT_TRUE(IsNumeric(""));
    EXPECT_TRUE(IsNumeric("0123456789"));
    EXPECT_TRUE(IsNumeric("007"));
    for (const char* s : {"/", ":", "12a", "-1", "+1", " 1", "1 ", "1\r", "\n", "1.0", "\xA3\xB1"}) {
        SCOPED_TRACE(s);
        EXPECT_FALSE(IsNumeric(s));
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char bytes[] = {'1', static_cast<char>(b), '\0'};
        EXPECT_FALSE(IsNumeric(bytes)) << "byte " << b;
    }
    // A zero byte inside the counted string is not a digit either.
    EXPECT_FALSE(IsNumeric(CString("1\0" "2", 3)));
}

}  // namespace
