// The check that a download is a complete Windows executable of the program's own kind.
#include "update/ExecutableCheck.h"

#include "platform/Kernel.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

class Image {
public:
    explicit Image(std::string bytes) : m_bytes(std::move(bytes)) {}

    bool Accepted() const { return AcceptedWithSize(m_bytes.size()); }
    bool AcceptedWithSize(std::uint64_t fileSize, ImageKind kind = kOwnImageKind) const {
        std::size_t head = std::min<std::size_t>(m_bytes.size(), kImageHeadSize);
        return IsCompleteWin32Image(reinterpret_cast<const unsigned char*>(m_bytes.data()), head,
                                    fileSize, kind);
    }
    bool AcceptedAs(ImageKind kind) const { return AcceptedWithSize(m_bytes.size(), kind); }

    std::uint32_t PeOffset() const { return Dword(0x3C); }
    std::size_t FileHeader() const { return PeOffset() + 4; }
    std::size_t Optional() const { return FileHeader() + 20; }
    std::size_t FirstSection() const { return Optional() + Word(FileHeader() + 16); }

    std::uint16_t Word(std::size_t at) const {
        return static_cast<std::uint16_t>(Byte(at) | (Byte(at + 1) << 8));
    }
    std::uint32_t Dword(std::size_t at) const {
        return static_cast<std::uint32_t>(Word(at)) | (static_cast<std::uint32_t>(Word(at + 2)) << 16);
    }
    void SetWord(std::size_t at, std::uint16_t v) {
        m_bytes[at] = static_cast<char>(v & 0xFF);
        m_bytes[at + 1] = static_cast<char>(v >> 8);
    }
    void SetDword(std::size_t at, std::uint32_t v) {
        SetWord(at, static_cast<std::uint16_t>(v & 0xFFFF));
        SetWord(at + 2, static_cast<std::uint16_t>(v >> 16));
    }
    void SetByte(std::size_t at, char c) { m_bytes[at] = c; }
    std::string& Bytes() { return m_bytes; }

private:
    unsigned Byte(std::size_t at) const { return static_cast<unsigned char>(m_bytes[at]); }
    std::string m_bytes;
};

Image Good() { return Image(sim::MakeExecutableImage("5.0.0.1")); }

TEST(ExecutableCheck, AcceptsWellFormedImagesWithAndWithoutVersion) {
    EXPECT_TRUE(Good().Accepted());
    EXPECT_TRUE(Image(sim::MakeExecutableImageWithoutVersion()).Accepted());
    // Bytes after the last section (an overlay) do not matter: among them
    // the certificate table of an Authenticode signature, which the
    // security entry of the data directories names by its file offset.
    for (bool named : {false, true}) {
        Image overlay = Good();
        const auto at = static_cast<std::uint32_t>(overlay.Bytes().size());
        overlay.Bytes() += std::string(5000, 'o');
        if (named) overlay.SetDword(overlay.Optional() + 96 + 4 * 8, at);
        if (named) overlay.SetDword(overlay.Optional() + 96 + 4 * 8 + 4, 5000);
        EXPECT_TRUE(overlay.Accepted()) << named;
    }
}

TEST(ExecutableCheck, RejectsWhatIsNoExecutableAtAll) {
    EXPECT_FALSE(Image("").Accepted());
    EXPECT_FALSE(Image("MZ").Accepted());
    EXPECT_FALSE(Image("<html><body>404 Not Found</body></html>" + std::string(100, ' ')).Accepted());
    Image noMz = Good();
    noMz.SetByte(0, 'Z');
    EXPECT_FALSE(noMz.Accepted());
}

TEST(ExecutableCheck, RejectsBrokenPeHeaders) {
    Image signature = Good();
    signature.SetByte(signature.PeOffset() + 2, 'X');
    EXPECT_FALSE(signature.Accepted());

    for (std::uint32_t offset : {0u, 0xFFFFFFF0u, 4090u}) {
        Image outOfRange = Good();
        outOfRange.SetDword(0x3C, offset);
        EXPECT_FALSE(outOfRange.Accepted()) << offset;
    }

    Image noSections = Good();
    noSections.SetWord(noSections.FileHeader() + 2, 0);
    EXPECT_FALSE(noSections.Accepted());

    Image tableBeyondHead = Good();
    tableBeyondHead.SetWord(tableBeyondHead.FileHeader() + 16, 4000);
    EXPECT_FALSE(tableBeyondHead.Accepted());
}

TEST(ExecutableCheck, RejectsOtherMachinesDllsAndPe32Plus) {
    Image amd64 = Good();
    amd64.SetWord(amd64.FileHeader(), 0x8664);
    EXPECT_FALSE(amd64.Accepted());

    Image dll = Good();
    dll.SetWord(dll.FileHeader() + 18, static_cast<std::uint16_t>(dll.Word(dll.FileHeader() + 18) | 0x2000));
    EXPECT_FALSE(dll.Accepted());

    Image object = Good();
    object.SetWord(object.FileHeader() + 18,
                   static_cast<std::uint16_t>(object.Word(object.FileHeader() + 18) & ~0x0002));
    EXPECT_FALSE(object.Accepted());

    Image pe32plus = Good();
    pe32plus.SetWord(pe32plus.Optional(), 0x20B);
    EXPECT_FALSE(pe32plus.Accepted());
}

// The native tests stand for the shipped 32-bit program.
static_assert(kOwnImageKind == ImageKind::I386Pe32);

TEST(ExecutableCheck, TheAmd64BuildTakesOnlyAmd64Pe32PlusImages) {
    Image amd64 = Good();
    amd64.SetWord(amd64.FileHeader(), 0x8664);
    amd64.SetWord(amd64.Optional(), 0x20B);
    EXPECT_TRUE(amd64.AcceptedAs(ImageKind::Amd64Pe32Plus));
    EXPECT_FALSE(Good().AcceptedAs(ImageKind::Amd64Pe32Plus));

    Image amd64Pe32 = amd64;
    amd64Pe32.SetWord(amd64Pe32.Optional(), 0x10B);
    EXPECT_FALSE(amd64Pe32.AcceptedAs(ImageKind::Amd64Pe32Plus));
}

TEST(ExecutableCheck, RejectsAFileThatEndsBeforeItsLastSection) {
    Image image = Good();
    std::size_t section = image.FirstSection();
    std::uint64_t end = std::uint64_t{image.Dword(section + 20)} + image.Dword(section + 16);
    ASSERT_GT(image.Dword(section + 16), 0u);
    EXPECT_TRUE(image.AcceptedWithSize(end));
    EXPECT_FALSE(image.AcceptedWithSize(end - 1));

    // A section that claims more raw data than any file could hold.
    Image huge = Good();
    huge.SetDword(section + 16, 0xFFFFFFFFu);
    EXPECT_FALSE(huge.Accepted());
}

// The check through a file of these bytes, opened as the download holds it.
bool FileAccepted(const std::string& bytes) {
    const std::string path = "C:\\Temp\\tarnquill.exe";
    sim::PutFile(path, bytes);
    plat::HANDLE file = plat::CreateFileA(path.c_str(), plat::GENERIC_READ | plat::GENERIC_WRITE,
                                          plat::FILE_SHARE_READ, plat::OPEN_EXISTING, 0);
    // Read from the start whatever the handle's position.
    plat::SetFilePointer(file, 7, plat::FILE_BEGIN);
    const bool accepted = IsCompleteWin32ExecutableFile(file);
    plat::CloseHandle(file);
    return accepted;
}

TEST(ExecutableCheck, ReadsTheFileBackInPieces) {
    sim::Reset();
    Image big = Good();
    big.Bytes() += std::string(3 * 4096 + 17, 'o');
    EXPECT_TRUE(FileAccepted(big.Bytes()));
    EXPECT_GE(sim::CallCount(sim::Op::ReadFile), 4);

    std::string cut = Good().Bytes();
    cut.pop_back();
    EXPECT_FALSE(FileAccepted(cut));

    sim::InjectFault(sim::Op::ReadFile, 2);
    EXPECT_FALSE(FileAccepted(Good().Bytes()));
    EXPECT_EQ(sim::OpenFileHandleCount(), 0);
}

}  // namespace
