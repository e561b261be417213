// Version strings validated and compared component by component.
#include "base/VersionStrings.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kComponents = 4;

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
bool ParseVersion(const CString& text, int (&out)[kComponents]) {
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
        if (stored == kComponents || component.IsEmpty() || !IsNumeric(component) || !FitsInInt(component))
            return false;
        out[stored++] = std::atoi(component);
        p = stop;
    }
    return stored > 0;
}

}  // namespace

bool IsNumeric(const CString& str) {
    for (int i = 0; i < str.GetLength(); ++i) {
        const char c = str.GetAt(i);
        if (c < '0' || c > '9') return false;
    }
    return true;
}

int CompareVersions(const CString& strFirst, const CString& strSecond) {
    int first[kComponents] = {0, 0, 0, 0};
    int second[kComponents] = {0, 0, 0, 0};
    if (!ParseVersion(strFirst, first)) return kFirstVersionMalformed;
    if (!ParseVersion(strSecond, second)) return kSecondVersionMalformed;
    for (int i = 0; i < kComponents; ++i) {
        if (first[i] > second[i]) return kVersionNewer;
        if (first[i] < second[i]) return kVersionOlder;
    }
    return kVersionsEqual;
}
