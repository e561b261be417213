// What the fuzz targets share: a property check that stops the run with the
// failing input saved, and the reference reading of version strings.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// A broken property is a finding: print it and abort, so libFuzzer keeps
// the input as a crash artifact.
#define FUZZ_CHECK(cond)                                                              \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

namespace fuzzref {

using Version = std::vector<std::int64_t>;  // always four numbers

// Independent reading of a version string: pieces between runs of dots,
// one to four of them, each only decimal digits with a value that fits a
// signed 32-bit integer (larger numbers make the string malformed).
inline std::optional<Version> ParseVersion(const std::string& text) {
    Version v;
    std::string piece;
    auto flush = [&]() -> bool {
        if (piece.empty()) return true;
        if (v.size() == 4) return false;
        std::int64_t value = 0;
        for (char c : piece) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
            if (value > 2147483647) return false;
        }
        v.push_back(value);
        piece.clear();
        return true;
    };
    for (char c : text) {
        if (c == '.') {
            if (!flush()) return std::nullopt;
        } else {
            piece += c;
        }
    }
    if (!flush() || v.empty()) return std::nullopt;
    v.resize(4, 0);
    return v;
}

// 1, 0, -1 for two well-formed strings; -21 / -22 for a malformed one.
inline int Compare(const std::string& a, const std::string& b) {
    auto va = ParseVersion(a);
    if (!va) return -21;
    auto vb = ParseVersion(b);
    if (!vb) return -22;
    if (*va > *vb) return 1;
    if (*va < *vb) return -1;
    return 0;
}

// Splits the fuzz input at the byte 0xFF into up to n pieces (the rest of
// the input is the last piece).
inline std::vector<std::string> Pieces(const std::uint8_t* data, std::size_t size, std::size_t n) {
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && out.size() < n) {
            out.emplace_back();
            continue;
        }
        out.back() += static_cast<char>(data[i]);
    }
    out.resize(n);
    return out;
}

}  // namespace fuzzref
