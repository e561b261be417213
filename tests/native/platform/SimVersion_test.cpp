// The executables the simulation makes are genuine PE32 images, and the
// simulated version library reads their version block.
#include "platform/VersionApi.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace plat;

namespace {

unsigned U16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
DWORD U32(const std::string& s, std::size_t at) { return U16(s, at) | static_cast<DWORD>(U16(s, at + 2)) << 16; }

// Follows the headers as a loader would, returning the resource data of
// RT_VERSION / 1 / any language, or an empty string.
std::string VersionResource(const std::string& img) {
    const DWORD pe = U32(img, 0x3C);
    const std::size_t sections = pe + 24 + U16(img, pe + 20);
    const DWORD rsrcRva = U32(img, pe + 24 + 96 + 16);
    for (unsigned i = 0; i < U16(img, pe + 6); ++i) {
        const std::size_t sh = sections + 40 * i;
        const DWORD va = U32(img, sh + 12), raw = U32(img, sh + 20);
        if (va != rsrcRva) continue;
        auto entryAt = [&](std::size_t dir, DWORD id) -> DWORD {
            const unsigned n = U16(img, raw + dir + 12) + U16(img, raw + dir + 14);
            for (unsigned e = 0; e < n; ++e) {
                const std::size_t at = raw + dir + 16 + 8 * e;
                if (id == 0xFFFFFFFF || U32(img, at) == id) return U32(img, at + 4);
            }
            return 0;
        };
        DWORD type = entryAt(0, 16);
        if (!(type & 0x80000000u)) return "";
        DWORD name = entryAt(type & 0x7FFFFFFF, 1);
        if (!(name & 0x80000000u)) return "";
        const DWORD data = entryAt(name & 0x7FFFFFFF, 0xFFFFFFFF);
        if (!data || (data & 0x80000000u)) return "";
        const DWORD dataRva = U32(img, raw + data), size = U32(img, raw + data + 4);
        return img.substr(raw + (dataRva - va), size);
    }
    return "";
}

TEST(SimExecutable, IsAWellFormedPe32GuiImage) {
    for (const std::string& img : {sim::MakeExecutableImage("5.0.0.1"), sim::MakeExecutableImageWithoutVersion()}) {
        ASSERT_GE(img.size(), 0x200u);
        EXPECT_EQ("MZ", img.substr(0, 2));
        const DWORD pe = U32(img, 0x3C);
        ASSERT_LT(pe + 24 + 0xE0 + 40, img.size());
        EXPECT_EQ(std::string("PE\0\0", 4), img.substr(pe, 4));
        EXPECT_EQ(0x14Cu, U16(img, pe + 4));
        EXPECT_EQ(1u, U16(img, pe + 6));
        EXPECT_EQ(0xE0u, U16(img, pe + 20));
        EXPECT_EQ(0x0102u, U16(img, pe + 22) & 0x0102u);
        const std::size_t oh = pe + 24;
        EXPECT_EQ(0x10Bu, U16(img, oh));
        EXPECT_EQ(2u, U16(img, oh + 68));  // GUI
        const DWORD fileAlign = U32(img, oh + 36);
        EXPECT_EQ(0u, U32(img, oh + 60) % fileAlign);  // SizeOfHeaders
        const std::size_t sh = oh + 0xE0;
        const DWORD rawSize = U32(img, sh + 16), rawPtr = U32(img, sh + 20);
        EXPECT_EQ(0u, rawPtr % fileAlign);
        EXPECT_EQ(img.size(), rawPtr + rawSize);  // the section ends the file
        EXPECT_GE(U32(img, oh + 56), U32(img, sh + 12) + U32(img, sh + 8));  // SizeOfImage covers it
    }
}

TEST(SimExecutable, CarriesItsVersionInAResourceTree) {
    const std::string block = VersionResource(sim::MakeExecutableImage(0x00050002u, 0x00030004u));
    ASSERT_GE(block.size(), 40u + sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(block.size(), U16(block, 0));
    EXPECT_EQ(0xFEEF04BDu, U32(block, 40));
    EXPECT_EQ(0x00050002u, U32(block, 48));
    EXPECT_EQ(0x00030004u, U32(block, 52));
    EXPECT_EQ("", VersionResource(sim::MakeExecutableImageWithoutVersion()));
    // Text versions: absent numbers are zero.
    EXPECT_EQ(0x00050000u, U32(VersionResource(sim::MakeExecutableImage("5")), 48));
    EXPECT_EQ(0x00070000u, U32(VersionResource(sim::MakeExecutableImage("0.0.7")), 52));
}

class SimVersionLibrary : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }

    // The fixed block through the three calls, as a caller makes them.
    static bool ReadFixed(const char* path, VS_FIXEDFILEINFO* out) {
        DWORD handle = 0xdeadbeef;
        const DWORD size = GetFileVersionInfoSizeA(path, &handle);
        EXPECT_EQ(0u, handle);
        if (!size) return false;
        std::vector<unsigned char> data(size, 0xCC);
        if (!GetFileVersionInfoA(path, 0, size, data.data())) return false;
        void* fixed = nullptr;
        UINT len = 0;
        if (!VerQueryValueA(data.data(), "\\", &fixed, &len)) return false;
        EXPECT_EQ(sizeof(VS_FIXEDFILEINFO), len);
        std::memcpy(out, fixed, sizeof *out);
        return true;
    }
};

TEST_F(SimVersionLibrary, ReadsTheFixedBlockOfAnExecutable) {
    ASSERT_TRUE(sim::PutFile("C:\\a.exe", sim::MakeExecutableImage(0x00050000u, 0x00000001u)));
    VS_FIXEDFILEINFO fixed{};
    ASSERT_TRUE(ReadFixed("C:\\a.exe", &fixed));
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00050000u, fixed.dwFileVersionMS);
    EXPECT_EQ(0x00000001u, fixed.dwFileVersionLS);
    EXPECT_EQ(1u, fixed.dwFileType);
}

TEST_F(SimVersionLibrary, FailsWithoutVersionDataAndOnInjectedFaults) {
    ASSERT_TRUE(sim::PutFile("C:\\plain.exe", sim::MakeExecutableImageWithoutVersion()));
    ASSERT_TRUE(sim::PutFile("C:\\v.exe", sim::MakeExecutableImage("5.0")));
    VS_FIXEDFILEINFO fixed{};
    EXPECT_FALSE(ReadFixed("C:\\plain.exe", &fixed));
    EXPECT_FALSE(ReadFixed("C:\\missing.exe", &fixed));
    for (sim::Op op : {sim::Op::GetFileVersionInfoSize, sim::Op::GetFileVersionInfo, sim::Op::VerQueryValue}) {
        sim::InjectFault(op, 1);
        EXPECT_FALSE(ReadFixed("C:\\v.exe", &fixed)) << static_cast<int>(op);
    }
    EXPECT_TRUE(ReadFixed("C:\\v.exe", &fixed));
    // Only the root is offered; a block without the signature is refused.
    std::vector<unsigned char> data(GetFileVersionInfoSizeA("C:\\v.exe", nullptr));
    ASSERT_TRUE(GetFileVersionInfoA("C:\\v.exe", 0, static_cast<DWORD>(data.size()), data.data()));
    void* p = nullptr;
    UINT len = 0;
    EXPECT_FALSE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &p, &len));
    data[40] ^= 0xFF;
    EXPECT_FALSE(VerQueryValueA(data.data(), "\\", &p, &len));
}

TEST_F(SimVersionLibrary, SizeOverrideChangesOnlyTheAnnouncedSize) {
    ASSERT_TRUE(sim::PutFile("C:\\v.exe", sim::MakeExecutableImage("5.0")));
    ASSERT_TRUE(sim::PutFile("C:\\plain.exe", sim::MakeExecutableImageWithoutVersion()));
    sim::SetVersionInfoSizeOverride(4096);
    EXPECT_EQ(4096u, GetFileVersionInfoSizeA("C:\\v.exe", nullptr));
    EXPECT_EQ(0u, GetFileVersionInfoSizeA("C:\\plain.exe", nullptr));
    VS_FIXEDFILEINFO fixed{};
    EXPECT_TRUE(ReadFixed("C:\\v.exe", &fixed));
    sim::Reset();
    ASSERT_TRUE(sim::PutFile("C:\\v.exe", sim::MakeExecutableImage("5.0")));
    EXPECT_GT(4096u, GetFileVersionInfoSizeA("C:\\v.exe", nullptr));
}

}  // namespace
