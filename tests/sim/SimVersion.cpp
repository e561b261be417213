// Executable images for tests and the simulated file-version library. The
// images are genuine PE32 files whose resource section holds a version
// resource; the library finds the VS_VERSIONINFO block in any file's bytes.
#include "platform/VersionApi.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <cstdio>
#include <cstring>

namespace sim {
namespace detail {
namespace {

constexpr plat::DWORD kFixedSignature = 0xFEEF04BDu;
constexpr std::size_t kFixedOffset = 40;  // header, key "VS_VERSION_INFO", padding
constexpr std::size_t kFixedSize = sizeof(plat::VS_FIXEDFILEINFO);
constexpr std::size_t kBlockSize = kFixedOffset + kFixedSize;

plat::DWORD g_sizeOverride = 0;

void Put16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, std::size_t at, plat::DWORD v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

unsigned Get16(const unsigned char* p) { return p[0] | (p[1] << 8); }

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

std::string PeImage(const std::string* block) {
    constexpr plat::DWORD kFileAlign = 0x200, kSectionAlign = 0x1000, kRva = 0x1000;
    const std::string section = ResourceSection(block, kRva);
    const plat::DWORD rawSize = static_cast<plat::DWORD>((section.size() + kFileAlign - 1) / kFileAlign * kFileAlign);
    std::string img(kFileAlign + rawSize, '\0');

    img[0] = 'M';
    img[1] = 'Z';
    Put32(img, 0x3C, 0x40);  // e_lfanew
    std::memcpy(&img[0x40], "PE\0\0", 4);
    const std::size_t fh = 0x44;  // IMAGE_FILE_HEADER
    Put16(img, fh + 0, 0x14C);    // i386
    Put16(img, fh + 2, 1);        // one section
    Put16(img, fh + 16, 0xE0);    // size of the optional header
    Put16(img, fh + 18, 0x0102);  // executable image, 32-bit machine
    const std::size_t oh = fh + 20;  // IMAGE_OPTIONAL_HEADER32
    Put16(img, oh + 0, 0x10B);
    Put32(img, oh + 8, rawSize);  // SizeOfInitializedData
    Put32(img, oh + 20, kRva);    // BaseOfCode
    Put32(img, oh + 24, kRva);    // BaseOfData
    Put32(img, oh + 28, 0x400000);
    Put32(img, oh + 32, kSectionAlign);
    Put32(img, oh + 36, kFileAlign);
    Put16(img, oh + 40, 4);  // operating system 4.0
    Put16(img, oh + 48, 4);  // subsystem 4.0
    const plat::DWORD virtualSize = static_cast<plat::DWORD>(section.size());
    Put32(img, oh + 56, kRva + (virtualSize + kSectionAlign - 1) / kSectionAlign * kSectionAlign);
    Put32(img, oh + 60, kFileAlign);  // SizeOfHeaders
    Put16(img, oh + 68, 2);           // IMAGE_SUBSYSTEM_WINDOWS_GUI
    Put32(img, oh + 72, 0x100000);    // stack reserve, commit, heap reserve, commit
    Put32(img, oh + 76, 0x1000);
    Put32(img, oh + 80, 0x100000);
    Put32(img, oh + 84, 0x1000);
    Put32(img, oh + 92, 16);  // NumberOfRvaAndSizes
    Put32(img, oh + 96 + 2 * 8, kRva);  // the resource directory
    Put32(img, oh + 96 + 2 * 8 + 4, virtualSize);
    const std::size_t sh = oh + 0xE0;  // IMAGE_SECTION_HEADER
    std::memcpy(&img[sh], ".rsrc", 5);
    Put32(img, sh + 8, virtualSize);
    Put32(img, sh + 12, kRva);
    Put32(img, sh + 16, rawSize);
    Put32(img, sh + 20, kFileAlign);  // PointerToRawData
    Put32(img, sh + 36, 0x40000040u);  // initialised data, readable
    std::memcpy(&img[kFileAlign], section.data(), section.size());
    return img;
}

// The VS_VERSIONINFO block inside a file's bytes, or null.
const unsigned char* FindBlock(const std::string& bytes, std::size_t* length) {
    static const std::string key = Utf16Key();
    for (std::size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1)) {
        if (at < 6) continue;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at - 6;
        const std::size_t len = Get16(p);
        const std::size_t valueLen = Get16(p + 2);
        if (valueLen < kFixedSize || len < kBlockSize || at - 6 + len > bytes.size()) continue;
        plat::DWORD sig;
        std::memcpy(&sig, p + kFixedOffset, 4);
        if (sig != kFixedSignature) continue;
        *length = len;
        return p;
    }
    return nullptr;
}

bool ParseVersion(const char* text, plat::DWORD* ms, plat::DWORD* ls) {
    unsigned n[4] = {0, 0, 0, 0};
    if (!text || std::sscanf(text, "%u.%u.%u.%u", &n[0], &n[1], &n[2], &n[3]) < 1) return false;
    *ms = (n[0] & 0xFFFF) << 16 | (n[1] & 0xFFFF);
    *ls = (n[2] & 0xFFFF) << 16 | (n[3] & 0xFFFF);
    return true;
}

}  // namespace

void ResetVersionData() { g_sizeOverride = 0; }

}  // namespace detail

std::string MakeExecutableImage(plat::DWORD versionMS, plat::DWORD versionLS) {
    const std::string block = detail::VersionBlock(versionMS, versionLS);
    return detail::PeImage(&block);
}

std::string MakeExecutableImage(const char* version) {
    plat::DWORD ms = 0, ls = 0;
    detail::ParseVersion(version, &ms, &ls);
    return MakeExecutableImage(ms, ls);
}

std::string MakeExecutableImageWithoutVersion() { return detail::PeImage(nullptr); }

void SetVersionInfoSizeOverride(plat::DWORD size) { detail::g_sizeOverride = size; }

}  // namespace sim

namespace plat {

DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) {
    if (lpdwHandle) *lpdwHandle = 0;
    if (sim::TakeFault(sim::Op::GetFileVersionInfoSize) || !lptstrFilename) return 0;
    const auto bytes = sim::ReadFileBytes(lptstrFilename);
    std::size_t length = 0;
    if (!bytes || !sim::detail::FindBlock(*bytes, &length)) return 0;
    return sim::detail::g_sizeOverride ? sim::detail::g_sizeOverride : static_cast<DWORD>(length);
}

BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD /*dwHandle*/, DWORD dwLen, void* lpData) {
    if (sim::TakeFault(sim::Op::GetFileVersionInfo) || !lptstrFilename || !lpData) return FALSE;
    const auto bytes = sim::ReadFileBytes(lptstrFilename);
    std::size_t length = 0;
    const unsigned char* block = bytes ? sim::detail::FindBlock(*bytes, &length) : nullptr;
    if (!block) return FALSE;
    // A short buffer gets the block's beginning, as on Windows.
    std::memcpy(lpData, block, length < dwLen ? length : dwLen);
    return TRUE;
}

BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, UINT* puLen) {
    if (sim::TakeFault(sim::Op::VerQueryValue) || !pBlock || !lpSubBlock || !lplpBuffer) return FALSE;
    // Only the root (the fixed part) is offered.
    if (std::strcmp(lpSubBlock, "\\") != 0) return FALSE;
    const auto* p = static_cast<const unsigned char*>(pBlock);
    DWORD sig;
    std::memcpy(&sig, p + sim::detail::kFixedOffset, 4);
    if (sim::detail::Get16(p + 2) < sim::detail::kFixedSize || sig != sim::detail::kFixedSignature)
        return FALSE;
    *lplpBuffer = const_cast<unsigned char*>(p + sim::detail::kFixedOffset);
    if (puLen) *puLen = static_cast<UINT>(sim::detail::kFixedSize);
    return TRUE;
}

}  // namespace plat
