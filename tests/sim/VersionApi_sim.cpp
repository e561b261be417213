// The simulated file-version library: it reads the VS_VERSIONINFO block of
// an executable's version resource, of the running program's own path from
// its image as loaded.
#include "platform/VersionApi.h"
#include "tests/sim/ExecutableImage.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <cstring>
#include <optional>
#include <string>

namespace sim {
namespace detail {
namespace {

plat::DWORD g_sizeOverride = 0;

unsigned Get16(const unsigned char* p) { return p[0] | (p[1] << 8); }

// The VS_VERSIONINFO block of a file, empty when there is none. Only an
// executable's version resource counts: the real library loads the file as
// an image and asks for RT_VERSION, so a block's bytes anywhere else are
// not version data.
std::string VersionBlockOf(const std::string& bytes) {
    const std::string block = VersionResourceOf(bytes);
    if (block.size() < kBlockSize) return "";
    const auto* p = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t len = Get16(p);
    plat::DWORD sig;
    std::memcpy(&sig, p + kFixedOffset, 4);
    if (Get16(p + 2) < kFixedSize || len < kBlockSize || len > block.size() || sig != kFixedSignature) return "";
    return block.substr(0, len);
}

// What the library reads for a path: the running program's own image when
// asked about the path it was loaded from (the loader hands back the module
// already loaded), else the file.
std::optional<std::string> BytesFor(const char* path) {
    if (const std::string* loaded = LoadedImageAt(path)) return *loaded;
    const Node* node = Resolve(Lookup(path));
    if (node && !Allowed(node, sim::kReadExecute)) return std::nullopt;  // access denied
    return sim::ReadFileBytes(path);
}

}  // namespace

void ResetVersionData() { g_sizeOverride = 0; }

}  // namespace detail

void SetVersionInfoSizeOverride(plat::DWORD size) { detail::g_sizeOverride = size; }

}  // namespace sim

namespace plat {

DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) {
    sim::detail::KernelLock lock;
    if (lpdwHandle) *lpdwHandle = 0;
    if (sim::TakeFault(sim::Op::GetFileVersionInfoSize) || !lptstrFilename) return 0;
    const auto bytes = sim::detail::BytesFor(lptstrFilename);
    const std::string block = bytes ? sim::detail::VersionBlockOf(*bytes) : std::string();
    if (block.empty()) return 0;
    return sim::detail::g_sizeOverride ? sim::detail::g_sizeOverride : static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD /*dwHandle*/, DWORD dwLen, void* lpData) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::GetFileVersionInfo) || !lptstrFilename || !lpData) return FALSE;
    const auto bytes = sim::detail::BytesFor(lptstrFilename);
    const std::string block = bytes ? sim::detail::VersionBlockOf(*bytes) : std::string();
    if (block.empty()) return FALSE;
    // A short buffer gets the block's beginning, as on Windows.
    std::memcpy(lpData, block.data(), block.size() < dwLen ? block.size() : dwLen);
    return TRUE;
}

BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, UINT* puLen) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::VerQueryValue) || !pBlock || !lpSubBlock || !lplpBuffer) return FALSE;
    // Only the root (the fixed part) is offered.
    if (std::strcmp(lpSubBlock, "\\") != 0) return FALSE;
    const auto* p = static_cast<const unsigned char*>(pBlock);
    DWORD sig;
    std::memcpy(&sig, p + sim::kFixedOffset, 4);
    if (sim::detail::Get16(p + 2) < sim::kFixedSize || sig != sim::kFixedSignature)
        return FALSE;
    *lplpBuffer = const_cast<unsigned char*>(p + sim::kFixedOffset);
    if (puLen) *puLen = static_cast<UINT>(sim::kFixedSize);
    return TRUE;
}

}  // namespace plat
