#include "update/ExecutableCheck.h"

#include "platform/Kernel.h"

namespace {

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kCharExecutableImage = 0x0002;
constexpr std::uint16_t kCharDll = 0x2000;
constexpr std::uint16_t kOptionalMagicPe32 = 0x10B;
constexpr std::uint16_t kOptionalMagicPe32Plus = 0x20B;
constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint16_t kMaxSections = 96;

std::uint16_t Word(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Dword(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool SectionsWithinFile(const unsigned char* table, std::uint16_t count, std::uint64_t fileSize) {
    for (std::uint16_t i = 0; i < count; ++i) {
        const unsigned char* section = table + i * kSectionHeaderSize;
        std::uint64_t rawSize = Dword(section + 16);
        std::uint64_t rawOffset = Dword(section + 20);
        if (rawSize != 0 && rawOffset + rawSize > fileSize) return false;
    }
    return true;
}

}  // namespace

bool IsCompleteWin32Image(const unsigned char* head, std::size_t headLength, std::uint64_t fileSize,
                          ImageKind kind) {
    const bool amd64 = kind == ImageKind::Amd64Pe32Plus;
    if (headLength > fileSize || headLength < kDosHeaderSize) return false;
    if (head[0] != 'M' || head[1] != 'Z') return false;

    std::uint64_t peOffset = Dword(head + 0x3C);
    if (peOffset < 4 || peOffset + 4 + kFileHeaderSize > headLength) return false;
    const unsigned char* pe = head + peOffset;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return false;

    const unsigned char* fileHeader = pe + 4;
    std::uint16_t machine = Word(fileHeader);
    std::uint16_t sectionCount = Word(fileHeader + 2);
    std::uint16_t optionalSize = Word(fileHeader + 16);
    std::uint16_t characteristics = Word(fileHeader + 18);
    if (machine != (amd64 ? kMachineAmd64 : kMachineI386)) return false;
    if (!(characteristics & kCharExecutableImage) || (characteristics & kCharDll)) return false;
    if (sectionCount == 0 || sectionCount > kMaxSections) return false;

    std::uint64_t optionalOffset = peOffset + 4 + kFileHeaderSize;
    std::uint64_t tableOffset = optionalOffset + optionalSize;
    std::uint64_t tableEnd = tableOffset + std::uint64_t{sectionCount} * kSectionHeaderSize;
    if (optionalSize < 2 || tableEnd > headLength) return false;
    if (Word(head + optionalOffset) != (amd64 ? kOptionalMagicPe32Plus : kOptionalMagicPe32)) return false;

    return SectionsWithinFile(head + tableOffset, sectionCount, fileSize);
}

bool IsCompleteWin32ExecutableFile(plat::HANDLE file) {
    if (plat::SetFilePointer(file, 0, plat::FILE_BEGIN) != 0) return false;

    // The headers stay in the first piece; later pieces are only counted,
    // so the length is what was actually read back, not what was claimed.
    unsigned char head[kExecutableHeadSize];
    unsigned char piece[kExecutableHeadSize];
    std::size_t headLength = 0;
    std::uint64_t fileSize = 0;
    for (;;) {
        bool intoHead = headLength < kExecutableHeadSize;
        unsigned char* target = intoHead ? head + headLength : piece;
        plat::DWORD room =
            static_cast<plat::DWORD>(intoHead ? kExecutableHeadSize - headLength : sizeof piece);
        plat::DWORD read = 0;
        if (!plat::ReadFile(file, target, room, &read)) return false;
        if (read == 0) break;
        if (intoHead) headLength += read;
        fileSize += read;
    }
    return IsCompleteWin32Image(head, headLength, fileSize);
}
