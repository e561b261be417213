#include "update/ExecutableCheck.h"

#include "platform/Kernel.h"

namespace {

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kCharExecutableImage = 0x0002;
constexpr std::uint16_t kCharDll = 0x2000;

}  // namespace

bool IsCompleteWin32Image(const unsigned char* head, std::size_t headLength, std::uint64_t fileSize,
                          ImageKind kind) {
    const bool amd64 = kind == ImageKind::Amd64Pe32Plus;
    ImageHeaders image;
    if (headLength > fileSize || !image.Read(head, headLength)) return false;
    if (image.Machine() != (amd64 ? kMachineAmd64 : kMachineI386)) return false;
    if (!(image.Characteristics() & kCharExecutableImage) || (image.Characteristics() & kCharDll)) return false;
    if (image.Magic() != (amd64 ? kOptionalMagicPe32Plus : kOptionalMagicPe32)) return false;

    for (unsigned i = 0; i < image.SectionCount(); ++i) {
        const ImageSection section = image.Section(i);
        if (section.rawSize != 0 && std::uint64_t{section.rawOffset} + section.rawSize > fileSize) return false;
    }
    return true;
}

bool IsCompleteWin32ExecutableFile(plat::HANDLE file) {
    if (plat::SetFilePointer(file, 0, plat::FILE_BEGIN) != 0) return false;

    // The headers stay in the first piece; later pieces are only counted,
    // so the length is what was actually read back, not what was claimed.
    unsigned char head[kImageHeadSize];
    unsigned char piece[kImageHeadSize];
    std::size_t headLength = 0;
    std::uint64_t fileSize = 0;
    for (;;) {
        bool intoHead = headLength < kImageHeadSize;
        unsigned char* target = intoHead ? head + headLength : piece;
        plat::DWORD room =
            static_cast<plat::DWORD>(intoHead ? kImageHeadSize - headLength : sizeof piece);
        plat::DWORD read = 0;
        if (!plat::ReadFile(file, target, room, &read)) return false;
        if (read == 0) break;
        if (intoHead) headLength += read;
        fileSize += read;
    }
    return IsCompleteWin32Image(head, headLength, fileSize);
}
