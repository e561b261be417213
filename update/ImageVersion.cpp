#include "update/ImageVersion.h"

#include "base/FileVersion.h"

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
constexpr DWORD kSectionHeaderSize = 40;
constexpr unsigned kMaxSections = 96;
// The resource directory: the third entry of the data directories.
constexpr DWORD kResourceEntry = 16;  // two entries of eight bytes before it

DWORD Word(const BYTE* p) { return static_cast<DWORD>(p[0] | (p[1] << 8)); }
DWORD Dword(const BYTE* p) { return Word(p) | (Word(p + 2) << 16); }

// The file's bytes are not trusted: every read is exact or a failure.
bool ReadAt(HANDLE file, std::uint64_t offset, void* into, DWORD size) {
    if (offset > 0x7FFFFFFFu) return false;
    if (SetFilePointer(file, static_cast<LONG>(offset), FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    DWORD read = 0;
    return ReadFile(file, into, size, &read) && read == size;
}

struct Image {
    HANDLE file;
    std::uint64_t sectionTable = 0;
    unsigned sections = 0;

    // The file offset of an address of the loaded image, through the
    // section that holds it.
    bool OffsetOf(DWORD rva, std::uint64_t* offset) const {
        for (unsigned i = 0; i < sections; ++i) {
            BYTE header[kSectionHeaderSize];
            if (!ReadAt(file, sectionTable + std::uint64_t{i} * kSectionHeaderSize, header, sizeof header)) return false;
            const DWORD virtualSize = Dword(header + 8), address = Dword(header + 12);
            const DWORD rawSize = Dword(header + 16), rawOffset = Dword(header + 20);
            const DWORD extent = virtualSize > rawSize ? virtualSize : rawSize;
            if (rva < address || rva - address >= extent) continue;
            *offset = std::uint64_t{rawOffset} + (rva - address);
            return true;
        }
        return false;
    }
};

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

// The headers of the image: where its sections are described and where
// its resources begin.
bool ReadHeaders(Image& image, DWORD* resourceRva) {
    BYTE dos[64];
    if (!ReadAt(image.file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const DWORD pe = Dword(dos + 0x3C);
    BYTE headers[24 + 112 + 3 * 8];  // through PE32+'s resource directory
    if (!ReadAt(image.file, pe, headers, sizeof headers)) return false;
    if (headers[0] != 'P' || headers[1] != 'E' || headers[2] != 0 || headers[3] != 0) return false;
    image.sections = Word(headers + 6);
    const DWORD optionalSize = Word(headers + 20);
    const BYTE* optional = headers + 24;
    // PE32 and PE32+ differ in where the data directories begin.
    const DWORD directories = Word(optional) == 0x20B ? 112 : 96;
    if (image.sections > kMaxSections || optionalSize < directories + kResourceEntry + 8) return false;
    if (Dword(optional + directories - 4) < 3) return false;  // no resource directory
    *resourceRva = Dword(optional + directories + kResourceEntry);
    image.sectionTable = std::uint64_t{pe} + 24 + optionalSize;
    return *resourceRva != 0;
}

}  // namespace

CString ImageFileVersion(HANDLE file) {
    Image image{file};
    DWORD resourceRva = 0;
    std::uint64_t root = 0;
    if (!ReadHeaders(image, &resourceRva) || !image.OffsetOf(resourceRva, &root)) return CString();

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
