#include "update/ImageVersion.h"

#include "base/FileVersion.h"
#include "update/ImageHeaders.h"

#include "platform/Kernel.h"

#include <cstdint>

using namespace plat;

namespace {

constexpr DWORD kRtVersion = 16;
constexpr DWORD kVersionInfoId = 1;
constexpr DWORD kSubdirectory = 0x80000000u;
constexpr DWORD kFixedSignature = 0xFEEF04BDu;
// VS_VERSIONINFO: three words, the key "VS_VERSION_INFO" in UTF-16 with its
// terminator, padding to 32 bits; then VS_FIXEDFILEINFO.
constexpr DWORD kFixedOffset = 40;
// The resource directory: the third entry of the data directories.
constexpr unsigned kResourceDirectory = 2;

DWORD Word(const BYTE* p) { return ImageHeaders::Word(p); }
DWORD Dword(const BYTE* p) { return ImageHeaders::Dword(p); }

// The file's bytes are not trusted: every read is exact or a failure.
bool ReadAt(HANDLE file, std::uint64_t offset, void* into, DWORD size) {
    if (offset > 0x7FFFFFFFu) return false;
    if (SetFilePointer(file, static_cast<LONG>(offset), FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    DWORD read = 0;
    return ReadFile(file, into, size, &read) && read == size;
}

// The file's first bytes, as many as there are up to the buffer's size.
bool ReadHead(HANDLE file, BYTE (&head)[kImageHeadSize], std::size_t* length) {
    if (SetFilePointer(file, 0, FILE_BEGIN) != 0) return false;
    *length = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, head + *length, static_cast<DWORD>(kImageHeadSize - *length), &read)) return false;
        *length += read;
        if (read == 0 || *length == kImageHeadSize) return true;
    }
}

// The resource directory's entry for id (any entry when any), as the
// offset it leads to within the resource section; false when none.
bool EntryFor(HANDLE file, std::uint64_t root, DWORD directory, DWORD id, bool any, DWORD* target) {
    BYTE header[16];
    if (!ReadAt(file, root + directory, header, sizeof header)) return false;
    const DWORD named = Word(header + 12), ids = Word(header + 14);
    for (DWORD i = 0; i < named + ids; ++i) {
        BYTE entry[8];
        if (!ReadAt(file, root + directory + 16 + std::uint64_t{8} * i, entry, sizeof entry)) return false;
        const bool byName = Dword(entry) & kSubdirectory;
        if (any || (!byName && Dword(entry) == id)) {
            *target = Dword(entry + 4);
            return true;
        }
    }
    return false;
}

}  // namespace

CString ImageFileVersion(HANDLE file) {
    BYTE head[kImageHeadSize];
    std::size_t headLength = 0;
    ImageHeaders image;
    std::uint32_t resourceRva = 0;
    std::uint64_t root = 0;
    if (!ReadHead(file, head, &headLength) || !image.Read(head, headLength) ||
        !image.DirectoryAddress(kResourceDirectory, &resourceRva) || resourceRva == 0 ||
        !image.OffsetOf(resourceRva, &root))
        return CString();

    DWORD type = 0, name = 0, language = 0;
    if (!EntryFor(file, root, 0, kRtVersion, false, &type) || !(type & kSubdirectory)) return CString();
    if (!EntryFor(file, root, type & ~kSubdirectory, kVersionInfoId, false, &name) || !(name & kSubdirectory))
        return CString();
    if (!EntryFor(file, root, name & ~kSubdirectory, 0, true, &language) || (language & kSubdirectory))
        return CString();

    BYTE data[8];
    std::uint64_t block = 0;
    if (!ReadAt(file, root + language, data, sizeof data) || !image.OffsetOf(Dword(data), &block)) return CString();
    const DWORD blockSize = Dword(data + 4);
    BYTE info[kFixedOffset + 16];
    if (blockSize < sizeof info || !ReadAt(file, block, info, sizeof info)) return CString();
    const BYTE* fixed = info + kFixedOffset;
    if (Word(info + 2) < 52 || Dword(fixed) != kFixedSignature) return CString();
    return ShortVersionString(Dword(fixed + 8), Dword(fixed + 12));
}
