// The executables tests use: PE32 images with a resource section that
// holds (or not) a version resource, and a reader that finds it again.
#include "tests/sim/ExecutableImage.h"

#include "platform/VersionApi.h"

#include <cstdio>
#include <cstring>

namespace sim {
namespace {

void Put16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, std::size_t at, plat::DWORD v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

const char kKey[] = "VS_VERSION_INFO";

std::string Utf16Key() {
    std::string k;
    for (const char* c = kKey; *c; ++c) {
        k += *c;
        k += '\0';
    }
    return k;
}

// VS_VERSIONINFO with the fixed part only: wLength, wValueLength, wType,
// the key, padding to a 32-bit boundary, VS_FIXEDFILEINFO.
std::string VersionBlock(plat::DWORD ms, plat::DWORD ls) {
    std::string b(kBlockSize, '\0');
    Put16(b, 0, kBlockSize);
    Put16(b, 2, kFixedSize);
    Put16(b, 4, 0);
    const std::string key = Utf16Key();
    std::memcpy(&b[6], key.data(), key.size());
    const std::size_t f = kFixedOffset;
    Put32(b, f + 0, kFixedSignature);
    Put32(b, f + 4, 0x00010000);
    Put32(b, f + 8, ms);
    Put32(b, f + 12, ls);
    Put32(b, f + 16, ms);
    Put32(b, f + 20, ls);
    Put32(b, f + 24, 0x3F);
    Put32(b, f + 32, 4);  // VOS__WINDOWS32
    Put32(b, f + 36, 1);  // VFT_APP
    return b;
}

// A resource tree RT_VERSION / 1 / 0x0804 leading to the block, for a
// section loaded at rva.
std::string ResourceSection(const std::string* block, plat::DWORD rva) {
    std::string s(block ? 0x58 : 16, '\0');
    if (!block) return s;  // an empty root directory
    Put16(s, 14, 1);       // root: one id entry
    Put32(s, 16, 16);      // RT_VERSION
    Put32(s, 20, 0x80000000u | 0x18);
    Put16(s, 0x18 + 14, 1);
    Put32(s, 0x28, 1);  // resource id 1
    Put32(s, 0x2C, 0x80000000u | 0x30);
    Put16(s, 0x30 + 14, 1);
    Put32(s, 0x40, 0x0804);  // language
    Put32(s, 0x44, 0x48);    // a data entry
    Put32(s, 0x48, rva + 0x58);
    Put32(s, 0x4C, static_cast<plat::DWORD>(block->size()));
    return s + *block;
}

// With codeFirst a code section comes first and ends exactly where the
// resources begin, as the linker lays out most programs.
std::string PeImage(const std::string* block, bool codeFirst = false) {
    constexpr plat::DWORD kFileAlign = 0x200, kSectionAlign = 0x1000;
    const plat::DWORD rva = codeFirst ? 2 * kSectionAlign : kSectionAlign;
    const plat::DWORD headers = codeFirst ? 2 * kFileAlign : kFileAlign;  // and the code's raw data
    const std::string section = ResourceSection(block, rva);
    const plat::DWORD rawSize = static_cast<plat::DWORD>((section.size() + kFileAlign - 1) / kFileAlign * kFileAlign);
    std::string img(headers + rawSize, '\0');

    img[0] = 'M';
    img[1] = 'Z';
    Put32(img, 0x3C, 0x40);  // e_lfanew
    std::memcpy(&img[0x40], "PE\0\0", 4);
    const std::size_t fh = 0x44;  // IMAGE_FILE_HEADER
    Put16(img, fh + 0, 0x14C);    // i386
    Put16(img, fh + 2, codeFirst ? 2 : 1);
    Put16(img, fh + 16, 0xE0);    // size of the optional header
    Put16(img, fh + 18, 0x0102);  // executable image, 32-bit machine
    const std::size_t oh = fh + 20;  // IMAGE_OPTIONAL_HEADER32
    Put16(img, oh + 0, 0x10B);
    Put32(img, oh + 8, rawSize);  // SizeOfInitializedData
    Put32(img, oh + 20, kSectionAlign);  // BaseOfCode
    Put32(img, oh + 24, rva);            // BaseOfData
    Put32(img, oh + 28, 0x400000);
    Put32(img, oh + 32, kSectionAlign);
    Put32(img, oh + 36, kFileAlign);
    Put16(img, oh + 40, 4);  // operating system 4.0
    Put16(img, oh + 48, 4);  // subsystem 4.0
    const plat::DWORD virtualSize = static_cast<plat::DWORD>(section.size());
    Put32(img, oh + 56, rva + (virtualSize + kSectionAlign - 1) / kSectionAlign * kSectionAlign);
    Put32(img, oh + 60, kFileAlign);  // SizeOfHeaders
    Put16(img, oh + 68, 2);           // IMAGE_SUBSYSTEM_WINDOWS_GUI
    Put32(img, oh + 72, 0x100000);    // stack reserve, commit, heap reserve, commit
    Put32(img, oh + 76, 0x1000);
    Put32(img, oh + 80, 0x100000);
    Put32(img, oh + 84, 0x1000);
    Put32(img, oh + 92, 16);  // NumberOfRvaAndSizes
    Put32(img, oh + 96 + 2 * 8, rva);  // the resource directory
    Put32(img, oh + 96 + 2 * 8 + 4, virtualSize);
    std::size_t sh = oh + 0xE0;  // IMAGE_SECTION_HEADER
    if (codeFirst) {
        // A section's whole alignment unit of code (int 3), one file
        // alignment of it on disk.
        std::memcpy(&img[sh], ".text", 5);
        Put32(img, sh + 8, kSectionAlign);
        Put32(img, sh + 12, kSectionAlign);
        Put32(img, sh + 16, kFileAlign);
        Put32(img, sh + 20, kFileAlign);
        Put32(img, sh + 36, 0x60000020u);  // code, executable, readable
        img.replace(kFileAlign, kFileAlign, kFileAlign, '\xCC');
        sh += 40;
    }
    std::memcpy(&img[sh], ".rsrc", 5);
    Put32(img, sh + 8, virtualSize);
    Put32(img, sh + 12, rva);
    Put32(img, sh + 16, rawSize);
    Put32(img, sh + 20, headers);  // PointerToRawData
    Put32(img, sh + 36, 0x40000040u);  // initialised data, readable
    std::memcpy(&img[headers], section.data(), section.size());
    return img;
}

bool ParseVersion(const char* text, plat::DWORD* ms, plat::DWORD* ls) {
    unsigned n[4] = {0, 0, 0, 0};
    if (!text || std::sscanf(text, "%u.%u.%u.%u", &n[0], &n[1], &n[2], &n[3]) < 1) return false;
    *ms = (n[0] & 0xFFFF) << 16 | (n[1] & 0xFFFF);
    *ls = (n[2] & 0xFFFF) << 16 | (n[3] & 0xFFFF);
    return true;
}

// Bounds-checked little-endian reads: a file's bytes are not trusted.
struct Reader {
    const std::string& bytes;
    bool ok = true;
    unsigned U16(std::size_t at) {
        if (at + 2 > bytes.size()) return ok = false, 0;
        return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    }
    plat::DWORD U32(std::size_t at) { return U16(at) | static_cast<plat::DWORD>(U16(at + 2)) << 16; }
};

// The offset (within the resource section) that the entry of a directory
// leads to for this id, any id when id is kAnyId; 0 when none.
constexpr plat::DWORD kAnyId = 0xFFFFFFFFu;
plat::DWORD EntryFor(Reader& r, std::size_t section, plat::DWORD dir, plat::DWORD id) {
    const unsigned n = r.U16(section + dir + 12) + r.U16(section + dir + 14);
    for (unsigned e = 0; e < n && r.ok; ++e) {
        const std::size_t at = section + dir + 16 + 8 * e;
        if (id == kAnyId || r.U32(at) == id) return r.U32(at + 4);
    }
    return 0;
}

// A subdirectory offset from an entry, or 0 when the entry is data or absent.
plat::DWORD Subdirectory(plat::DWORD entry) { return entry & 0x80000000u ? entry & 0x7FFFFFFFu : 0; }

}  // namespace

std::string MakeExecutableImage(plat::DWORD versionMS, plat::DWORD versionLS) {
    const std::string block = VersionBlock(versionMS, versionLS);
    return PeImage(&block);
}

std::string MakeExecutableImage(const char* version) {
    plat::DWORD ms = 0, ls = 0;
    ParseVersion(version, &ms, &ls);
    return MakeExecutableImage(ms, ls);
}

std::string MakeExecutableImageWithoutVersion() { return PeImage(nullptr); }

std::string MakeExecutableImageWithCode(const char* version) {
    plat::DWORD ms = 0, ls = 0;
    ParseVersion(version, &ms, &ls);
    const std::string block = VersionBlock(ms, ls);
    return PeImage(&block, true);
}

std::string VersionResourceOf(const std::string& image) {
    Reader r{image};
    if (image.compare(0, 2, "MZ") != 0) return "";
    const plat::DWORD pe = r.U32(0x3C);
    if (!r.ok || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return "";
    const std::size_t sections = pe + 24 + r.U16(pe + 20);
    const plat::DWORD rsrcRva = r.U32(pe + 24 + 96 + 16);
    const unsigned count = r.U16(pe + 6);
    for (unsigned i = 0; i < count && r.ok; ++i) {
        const std::size_t sh = sections + 40 * i;
        const plat::DWORD va = r.U32(sh + 12), raw = r.U32(sh + 20);
        if (va != rsrcRva || rsrcRva == 0) continue;
        const plat::DWORD type = Subdirectory(EntryFor(r, raw, 0, 16));
        const plat::DWORD name = type ? Subdirectory(EntryFor(r, raw, type, 1)) : 0;
        const plat::DWORD data = name ? EntryFor(r, raw, name, kAnyId) : 0;
        if (!data || (data & 0x80000000u)) return "";
        const plat::DWORD dataRva = r.U32(raw + data), size = r.U32(raw + data + 4);
        const std::size_t at = std::size_t(raw) + (dataRva - va);
        if (!r.ok || dataRva < va || at > image.size() || size > image.size() - at) return "";
        return image.substr(at, size);
    }
    return "";
}

}  // namespace sim
