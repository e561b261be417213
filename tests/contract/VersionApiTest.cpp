// A file's version data through the version library: the fixed block of an
// executable's version resource, and nothing for any other file; of the
// running program's own path, from its image as loaded.
#include "platform/VersionApi.h"
#include "tests/contract/ContractFiles.h"
#include "tests/contract/ContractWorld.h"
#include "tests/sim/ExecutableImage.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace plat;

namespace contract {
namespace {

class VersionData : public WorldTest {
protected:
    // The fixed block through the three calls, as the program makes them.
    static bool ReadFixed(const std::string& path, VS_FIXEDFILEINFO* out) {
        DWORD handle = 0xdeadbeef;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        EXPECT_EQ(0u, handle);
        if (!size) return false;
        std::vector<unsigned char> data(size);
        if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return false;
        void* fixed = nullptr;
        UINT len = 0;
        if (!VerQueryValueA(data.data(), "\\", &fixed, &len)) return false;
        EXPECT_EQ(sizeof(VS_FIXEDFILEINFO), len);
        std::memcpy(out, fixed, sizeof *out);
        return true;
    }
    // The file version as (MS, LS), or (0, 0) when there is none.
    static std::pair<DWORD, DWORD> VersionOf(const std::string& path) {
        VS_FIXEDFILEINFO fixed{};
        if (!ReadFixed(path, &fixed)) return {0, 0};
        return {fixed.dwFileVersionMS, fixed.dwFileVersionLS};
    }
};

// Moves the running program's own file aside and back again, whatever the case does between.
class OwnFileAside {
public:
    explicit OwnFileAside(const std::string& own) : m_own(own), m_aside(own + ".aside") {
        m_moved = MoveFileExA(m_own.c_str(), m_aside.c_str(), 0);
    }
    ~OwnFileAside() {
        if (!m_moved) return;
        DeleteFileA(m_own.c_str());
        EXPECT_TRUE(MoveFileExA(m_aside.c_str(), m_own.c_str(), 0)) << "left aside: " << m_aside;
    }
    bool Moved() const { return m_moved; }

private:
    std::string m_own, m_aside;
    bool m_moved = false;
};

TEST_F(VersionData, FixedBlockOfAnExecutable) {
    const std::string path = Scratch() + "\\v.exe";
    ASSERT_TRUE(WriteBytes(path, sim::MakeExecutableImage(0x00050002u, 0x00030004u)));
    VS_FIXEDFILEINFO fixed{};
    ASSERT_TRUE(ReadFixed(path, &fixed));
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00050002u, fixed.dwFileVersionMS);
    EXPECT_EQ(0x00030004u, fixed.dwFileVersionLS);
    EXPECT_EQ(1u, fixed.dwFileType);
}

TEST_F(VersionData, NoneOutsideAnExecutablesVersionResource) {
    const std::string plain = Scratch() + "\\plain.exe", text = Scratch() + "\\a.txt";
    const std::string embedded = Scratch() + "\\embedded.dat";
    ASSERT_TRUE(WriteBytes(plain, sim::MakeExecutableImageWithoutVersion()));
    ASSERT_TRUE(WriteBytes(text, "5.0.0.1"));
    // The version block's bytes inside a file that is no executable.
    ASSERT_TRUE(WriteBytes(embedded, "junk" + sim::MakeExecutableImage("1.2.3.4")));
    for (const std::string& path : {plain, text, embedded, Scratch() + "\\missing.exe"}) {
        DWORD handle = 0xdeadbeef;
        EXPECT_EQ(0u, GetFileVersionInfoSizeA(path.c_str(), &handle)) << path;
    }
}

// Asked about the path the running program was loaded from, the library
// answers from the image loaded at start: the loader hands back the module
// it already has, whatever file now stands at that path.
TEST_F(VersionData, OfTheRunningProgramsOwnPathFromItsImageAsLoaded) {
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::string own = self, elsewhere = Scratch() + "\\elsewhere.exe";
    const std::string image = sim::MakeExecutableImage(0x00070006u, 0x00050004u);
    ASSERT_TRUE(WriteBytes(elsewhere, image));
    ASSERT_EQ(std::make_pair(0x00070006u, 0x00050004u), VersionOf(elsewhere));
    const auto loaded = VersionOf(own);

    OwnFileAside aside(own);
    ASSERT_TRUE(aside.Moved()) << own;
    ASSERT_TRUE(WriteBytes(own, image));
    EXPECT_EQ(loaded, VersionOf(own));
}

}  // namespace
}  // namespace contract
