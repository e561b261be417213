// The simulated file-version library: it finds the VS_VERSIONINFO block in
// any file's bytes.
#include "platform/VersionApi.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <cstring>

namespace sim {
namespace detail {
namespace {

constexpr plat::DWORD kFixedSignature = 0xFEEF04BDu;
constexpr std::size_t kFixedOffset = 40;  // header, key "VS_VERSION_INFO", padding
constexpr std::size_t kFixedSize = sizeof(plat::VS_FIXEDFILEINFO);
constexpr std::size_t kBlockSize = kFixedOffset + kFixedSize;

plat::DWORD g_sizeOverride = 0;

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

}  // namespace

void ResetVersionData() { g_sizeOverride = 0; }

}  // namespace detail

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
