#include "base/FileVersion.h"

#include "base/Handles.h"
#include "platform/VersionApi.h"

#include <cstdlib>

namespace {

// The fixed block of a version-data block that has just been read, or null.
const plat::VS_FIXEDFILEINFO* FixedInfo(const void* block) {
    void* fixed = nullptr;
    plat::UINT length = 0;
    if (!plat::VerQueryValueA(block, "\\", &fixed, &length)) return nullptr;
    // A block too short to hold the fixed part is no version at all.
    if (!fixed || length < sizeof(plat::VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const plat::VS_FIXEDFILEINFO*>(fixed);
}

// A file's version-data block, read whole and freed when the reader goes.
class VersionBlock {
public:
    explicit VersionBlock(const char* fileName) {
        plat::DWORD handle = 0;
        const plat::DWORD size = plat::GetFileVersionInfoSizeA(fileName, &handle);
        if (size == 0) return;
        m_block.Reset(std::calloc(size, 1));
        if (m_block && !plat::GetFileVersionInfoA(fileName, 0, size, m_block.Get())) m_block.Reset();
    }
    // The fixed part, or null when the file has no (usable) version data.
    const plat::VS_FIXEDFILEINFO* Fixed() const { return m_block ? FixedInfo(m_block.Get()) : nullptr; }

private:
    MemoryBlock m_block;
};

int High(plat::DWORD v) { return static_cast<int>(v >> 16); }
int Low(plat::DWORD v) { return static_cast<int>(v & 0xFFFF); }

}  // namespace

CString ShortVersionString(plat::DWORD ms, plat::DWORD ls) {
    // A string that cannot be formatted is empty, as a missing block is.
    CString result;
    if (ls != 0) {
        result.Format("%d.%d.%d.%d", High(ms), Low(ms), High(ls), Low(ls));
    } else if (ms != 0) {
        result.Format("%d.%d", High(ms), Low(ms));
    }
    return result;
}

CString GetFileVersionString(const char* lpszFileName) {
    const VersionBlock block(lpszFileName);
    const plat::VS_FIXEDFILEINFO* info = block.Fixed();
    if (!info) return CString();
    return ShortVersionString(info->dwFileVersionMS, info->dwFileVersionLS);
}

CString GetInstalledVersionOf(const char* lpszFileName) {
    const VersionBlock block(lpszFileName);
    const plat::VS_FIXEDFILEINFO* info = block.Fixed();
    if (!info) return CString();
    CString result;
    result.Format("%d.%d.%d.%d", High(info->dwFileVersionMS), Low(info->dwFileVersionMS),
                  High(info->dwFileVersionLS), Low(info->dwFileVersionLS));
    return result;
}
