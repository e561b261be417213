// Version comparison: agrees with an independent parser, is antisymmetric
// and transitive on well-formed strings, and leaves its inputs alone.
#include "FuzzCheck.h"
#include "tests/StdString.h"

#include "base/CString.h"
#include "base/VersionStrings.h"

namespace {

int Cmp(const std::string& a, const std::string& b) {
    const CString first(a.data(), static_cast<int>(a.size()));
    const CString second(b.data(), static_cast<int>(b.size()));
    const int r = CompareVersions(first, second);
    // Never changes the caller's strings.
    FUZZ_CHECK(StdString(first) == a && StdString(second) == b);
    FUZZ_CHECK(r == 1 || r == 0 || r == -1 || r == -21 || r == -22);
    FUZZ_CHECK(r == fuzzref::Compare(a, b));
    return r;
}

bool ReferenceIsNumeric(const std::string& s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto p = fuzzref::Pieces(data, size, 3);
    const std::string &a = p[0], &b = p[1], &c = p[2];

    FUZZ_CHECK(IsNumeric(CString(a.data(), static_cast<int>(a.size()))) ==
               ReferenceIsNumeric(a));

    const int ab = Cmp(a, b);
    const int ba = Cmp(b, a);
    const bool wellFormed = ab != -21 && ab != -22;
    if (wellFormed) FUZZ_CHECK(ba == -ab);
    FUZZ_CHECK(Cmp(a, a) == (ab == -21 ? -21 : 0));

    const int bc = Cmp(b, c);
    const int ac = Cmp(a, c);
    if ((ab == 0 || ab == 1) && (bc == 0 || bc == 1)) {
        // a >= b and b >= c: a >= c, strictly when either step was strict.
        FUZZ_CHECK(ac == ((ab == 1 || bc == 1) ? 1 : 0));
    }
    return 0;
}
