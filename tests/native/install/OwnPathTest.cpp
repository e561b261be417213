// Splitting the command line into the own folder and file name.
#include "install/OwnPath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The two members with guard bytes behind each, to catch writes past them.
struct Members {
    char dir[256];
    unsigned char dirGuard[16];
    char name[256];
    unsigned char nameGuard[16];

    Members() {
        std::memset(dir, 0xCD, sizeof dir);
        std::memset(dirGuard, 0xAB, sizeof dirGuard);
        std::memset(name, 'x', sizeof name);
        std::memset(nameGuard, 0xAB, sizeof nameGuard);
    }
    void Split(const std::string& commandLine) { SplitOwnPath(commandLine.c_str(), dir, name); }
    bool GuardsIntact() const {
        for (int i = 0; i < 16; ++i)
            if (dirGuard[i] != 0xAB || nameGuard[i] != 0xAB) return false;
        return true;
    }
    bool NameZeroFilled() const {
        for (std::size_t i = std::strlen(name); i < sizeof name; ++i)
            if (name[i] != '\0') return false;
        return true;
    }
};

struct SplitCase {
    const char* commandLine;
    const char* dir;
    const char* name;
};

// Each command line splits into its folder and name, the name's buffer
// zero-filled behind it and nothing written past either member.
template <std::size_t N>
void ExpectSplits(const SplitCase (&cases)[N]) {
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.commandLine);
        Members m;
        m.Split(c.commandLine);
        EXPECT_STREQ(c.dir, m.dir);
        EXPECT_STREQ(c.name, m.name);
        EXPECT_TRUE(m.NameZeroFilled());
        EXPECT_TRUE(m.GuardsIntact());
    }
}

TEST(OwnPath, SplitsTheQuotedPathAndIgnoresWhatFollows) {
    const SplitCase cases[] = {
        {"\"C:\\Users\\user\\Downloads\\tarnquill.exe\"", "C:\\Users\\user\\Downloads\\", "tarnquill.exe"},
        {"\"C:\\Users\\user\\Downloads\\tarnquill.exe\" /s \"x\\y\"", "C:\\Users\\user\\Downloads\\",
         "tarnquill.exe"},
        {"\"C:\\tarnquill.exe\"", "C:\\", "tarnquill.exe"},
        {"\"C:\\My Files\\new copy.exe\" -x", "C:\\My Files\\", "new copy.exe"},
        // No backslash: no folder, the whole text is the name.
        {"\"tarnquill.exe\" arg", "", "tarnquill.exe"},
        // Unquoted: the first character goes; the name stays right.
        {"C:\\ProgramData\\Veltrano\\tarnquill.exe", ":\\ProgramData\\Veltrano\\", "tarnquill.exe"},
        // A quote right after the first character leaves nothing.
        {"\"\" x", "", ""},
        {"", "", ""},
    };
    ExpectSplits(cases);
}

TEST(OwnPath, TrailByteBackslashBelongsToItsCharacter) {
    // "誠" is D5 5C in code page 936: its trail byte looks like a backslash.
    const SplitCase cases[] = {
        {"\"C:\\Down\\\xD5\x5C.exe\"", "C:\\Down\\", "\xD5\x5C.exe"},
        {"\"C:\\\xD5\x5C\\a.exe\"", "C:\\\xD5\x5C\\", "a.exe"},
        {"\"\xD5\x5C\xD5\x5C.exe\"", "", "\xD5\x5C\xD5\x5C.exe"},
    };
    ExpectSplits(cases);
}

TEST(OwnPath, OverLongCommandLineIsCutInsideTheMembers) {
    // 300 characters and no quote in reach: what fits (255 bytes) is kept.
    const std::string folder = "\"C:\\" + std::string(200, 'd') + "\\";
    const std::string longLine = folder + std::string(96, 'n') + ".exe";
    Members m;
    m.Split(longLine);
    EXPECT_TRUE(m.GuardsIntact());
    ASSERT_EQ(255u, std::strlen(m.dir) + std::strlen(m.name));
    EXPECT_EQ(folder.substr(1), m.dir);
    EXPECT_EQ(std::string(255 - (folder.size() - 1), 'n'), m.name);
    EXPECT_TRUE(m.NameZeroFilled());

    // A closing quote at position 255 is out of reach as well.
    const std::string quotedLate = "\"C:\\" + std::string(251, 'q') + "\" tail";
    ASSERT_EQ('"', quotedLate[255]);
    Members late;
    late.Split(quotedLate);
    EXPECT_TRUE(late.GuardsIntact());
    EXPECT_EQ("C:\\", std::string(late.dir));
    EXPECT_EQ(std::string(251, 'q') + "\"", std::string(late.name));
    // ...but one at 254 still ends the path.
    const std::string quotedLast = "\"C:\\" + std::string(250, 'q') + "\" tail";
    ASSERT_EQ('"', quotedLast[254]);
    Members last;
    last.Split(quotedLast);
    EXPECT_EQ(std::string(250, 'q'), std::string(last.name));
}

TEST(OwnPath, OverLongCutNeverSplitsADoubleByteCharacter) {
    // Bytes 1..254 are 'a' then a double-byte character starts at byte 255
    // of the line (position 254 of the member): it cannot fit whole.
    const std::string line = "\"C:\\" + std::string(251, 'a') + "\xD5\x5C" + std::string(40, 'b');
    Members m;
    m.Split(line);
    EXPECT_TRUE(m.GuardsIntact());
    EXPECT_EQ(std::string(251, 'a'), std::string(m.name));
    EXPECT_STREQ("C:\\", m.dir);
}

}  // namespace
