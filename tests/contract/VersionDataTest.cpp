// A file's version data through the version library: the fixed block of an
// executable's version resource, and nothing for any other file.
#include "platform/VersionApi.h"
#include "tests/contract/ContractFiles.h"
#include "tests/contract/ContractWorld.h"
#include "tests/sim/ExecutableImage.h"

#include <cstring>
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

}  // namespace
}  // namespace contract
