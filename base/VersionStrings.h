// Version strings: one to four dotted decimal components, absent ones
// counting as 0. The update agent compares the announced version with its
// own, the installation the running copy's with the installed one's.
#pragma once
#include "base/CString.h"

// CompareVersions: 1 first newer, 0 equal, -1 first older, or which of the
// two strings is no version at all.
constexpr int kVersionNewer = 1;
constexpr int kVersionsEqual = 0;
constexpr int kVersionOlder = -1;
constexpr int kFirstVersionMalformed = -21;
constexpr int kSecondVersionMalformed = -22;

// Only ASCII digits; the empty string counts as numeric.
bool IsNumeric(const CString& str);
int CompareVersions(const CString& strFirst, const CString& strSecond);
