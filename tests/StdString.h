// A CString's bytes as a standard string, for the tests and fuzzers, which
// keep the standard library. Nothing linked into the program includes this.
#pragma once
#include "base/CString.h"

#include <string>

inline std::string StdString(const CString& s) {
    return std::string(s.c_str(), static_cast<std::size_t>(s.GetLength()));
}
