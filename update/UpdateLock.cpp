#include "update/UpdateLock.h"

#include "platform/FileSearch.h"
#include "platform/Kernel.h"

#include <cstdint>

using namespace plat;

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// FNV-1a over the folded path: a trail byte of a double-byte character is
// hashed as it is, never folded as if it were a letter.
std::uint64_t PathHash(const char* path) {
    std::uint64_t hash = kFnvOffset;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(path); *p; ++p) {
        bool lead = IsLeadByte(*p) && p[1] != 0;
        hash = (hash ^ (lead ? *p : FoldAscii(*p))) * kFnvPrime;
        if (lead) hash = (hash ^ *++p) * kFnvPrime;
    }
    return hash;
}

CString HashText(const char* exePath) {
    std::uint64_t hash = PathHash(exePath);
    CString text;
    text.Format("%08X%08X", static_cast<unsigned>(hash >> 32), static_cast<unsigned>(hash));
    return text;
}

// "<tempDir><fileName>.<hash>.<pid>.<extension>": one per executable and process.
CString TemporaryFileName(const CString& tempDir, const CString& fileName, const char* exePath,
                          DWORD processId, const char* extension) {
    CString name;
    name.Format("%s%s.%s.%lu.%s", tempDir.c_str(), fileName.c_str(), HashText(exePath).c_str(),
                static_cast<unsigned long>(processId), extension);
    return name;
}

}  // namespace

CString UpdateLockName(const char* exePath) { return "Global\\tarnquill-update-" + HashText(exePath); }

bool UpdateLock::Acquire(const char* exePath, DWORD waitMs) {
    if (Held()) return true;
    if (!m_mutex) m_mutex.Reset(CreateMutexA(UpdateLockName(exePath)));
    if (!m_mutex) return false;
    // An abandoned mutex (a copy that ended while holding it) is ours now.
    DWORD waited = WaitForSingleObject(m_mutex.Get(), waitMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    m_owned.Reset(m_mutex.Get());
    return true;
}

void UpdateLock::Release() {
    m_owned.Close();
    m_mutex.Close();
}

CString DownloadFileName(const CString& tempDir, const CString& fileName, const char* exePath,
                         DWORD processId) {
    return TemporaryFileName(tempDir, fileName, exePath, processId, "part");
}

CString VersionCopyName(const CString& tempDir, const CString& fileName, const char* exePath,
                        DWORD processId) {
    return TemporaryFileName(tempDir, fileName, exePath, processId, "ver");
}

void RemoveStaleDownloads(const CString& tempDir, const CString& fileName, const char* exePath) {
    // Downloads and version copies of this executable that an ended process left.
    CString pattern = tempDir + fileName + "." + HashText(exePath) + ".*";
    WIN32_FIND_DATAA found{};
    FindHandle search(FindFirstFileA(pattern, &found));
    if (!search) return;
    do {
        // A file still open elsewhere is not deleted; the next update tries again.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(tempDir + found.cFileName);
    } while (FindNextFileA(search.Get(), &found));
}
