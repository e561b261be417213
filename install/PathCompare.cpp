#include "install/PathCompare.h"

#include "base/CString.h"

#include <cctype>

namespace {

// Walks both strings while they match; returns how far they matched in a.
const char* MatchingPrefix(const char* a, const char* b, const char** bEnd) {
    while (*a && *b) {
        const unsigned char ca = static_cast<unsigned char>(*a);
        if (IsLeadByte936(ca)) {
            if (a[0] != b[0] || a[1] == '\0' || a[1] != b[1]) break;
            a += 2;
            b += 2;
            continue;
        }
        if (std::tolower(ca) != std::tolower(static_cast<unsigned char>(*b))) break;
        ++a;
        ++b;
    }
    *bEnd = b;
    return a;
}

}  // namespace

bool SamePath(const char* a, const char* b) {
    const char* bEnd = nullptr;
    const char* aEnd = MatchingPrefix(a, b, &bEnd);
    return *aEnd == '\0' && *bEnd == '\0';
}

bool IsInFolder(const char* path, const char* folder) {
    if (!folder[0]) return false;
    const char* folderEnd = nullptr;
    const char* pathEnd = MatchingPrefix(path, folder, &folderEnd);
    return *folderEnd == '\0' && *pathEnd != '\0';
}
