// Version strings: made from a file's fixed version block, validated, and
// compared component by component.
#include "base/Handles.h"
#include "platform/VersionApi.h"
#include "update/AutoUpdater.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kComponents = 4;

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

// True when the digits fit a signed 32-bit integer, so atoi is defined.
bool FitsInInt(const char* digits) {
    while (*digits == '0' && digits[1] != '\0') ++digits;
    const std::size_t n = std::strlen(digits);
    static const char kMax[] = "2147483647";
    if (n != sizeof kMax - 1) return n < sizeof kMax - 1;
    return std::strcmp(digits, kMax) <= 0;
}

// Splits at runs of dots, as strtok with the delimiter "." does, into up to
// four numbers. False for a string that is not a version.
bool ParseVersion(CAutoUpdater& self, const CString& text, int (&out)[kComponents]) {
    const char* const begin = text.c_str();
    const char* const end = begin + text.GetLength();
    int stored = 0;
    for (const char* p = begin;;) {
        while (p < end && *p == '.') ++p;
        if (p == end) break;
        const char* stop = p;
        while (stop < end && *stop != '.') ++stop;
        const CString component(p, static_cast<int>(stop - p));
        // A component that could not be copied is empty, so never numeric.
        if (stored == kComponents || component.IsEmpty() || !self.IsNumeric(component) || !FitsInInt(component))
            return false;
        out[stored++] = std::atoi(component);
        p = stop;
    }
    return stored > 0;
}

}  // namespace

CString CAutoUpdater::GetFileVersionString(const char* lpszFileName) {
    // Every failure, an allocation failure included, reads as "no version":
    // the block is then missing, and a string that cannot be formatted is empty.
    CString result;
    const VersionBlock block(lpszFileName);
    const plat::VS_FIXEDFILEINFO* info = block.Fixed();
    if (!info) return result;
    const plat::DWORD ms = info->dwFileVersionMS;
    const plat::DWORD ls = info->dwFileVersionLS;
    if (ls != 0) {
        result.Format("%d.%d.%d.%d", High(ms), Low(ms), High(ls), Low(ls));
    } else if (ms != 0) {
        result.Format("%d.%d", High(ms), Low(ms));
    }
    return result;
}

bool CAutoUpdater::IsNumeric(const CString& str) {
    for (int i = 0; i < str.GetLength(); ++i) {
        const char c = str.GetAt(i);
        if (c < '0' || c > '9') return false;
    }
    return true;
}

int CAutoUpdater::CompareVersions(CString strFirst, CString strSecond) {
    int first[kComponents] = {0, 0, 0, 0};
    int second[kComponents] = {0, 0, 0, 0};
    if (!ParseVersion(*this, strFirst, first)) return kFirstVersionMalformed;
    if (!ParseVersion(*this, strSecond, second)) return kSecondVersionMalformed;
    for (int i = 0; i < kComponents; ++i) {
        if (first[i] > second[i]) return kVersionNewer;
        if (first[i] < second[i]) return kVersionOlder;
    }
    return kVersionsEqual;
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
