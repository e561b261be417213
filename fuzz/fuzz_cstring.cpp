// The byte string's double-byte walks: searches land only on character
// boundaries and agree with a plain reference walk, the order is that of
// the multibyte comparison, and cutting operations clamp their arguments.
#include "FuzzCheck.h"
#include "tests/StdString.h"

#include "base/CString.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

namespace {

// Start offsets of the characters: a lead byte with a byte after it makes a
// pair, anything else stands alone.
std::vector<std::size_t> Boundaries(const std::string& s) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < s.size();) {
        out.push_back(i);
        const bool pair = IsLeadByte936(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                          s[i + 1] != '\0';
        i += pair ? 2 : 1;
    }
    return out;
}

bool IsSingle(const std::string& s, std::size_t i) {
    return !(IsLeadByte936(static_cast<unsigned char>(s[i])) && i + 1 < s.size() && s[i + 1] != '\0');
}

int RefFind(const std::string& s, char ch, int start) {
    for (std::size_t i : Boundaries(s))
        if (static_cast<int>(i) >= start && IsSingle(s, i) && s[i] == ch) return static_cast<int>(i);
    return -1;
}

int RefReverseFind(const std::string& s, char ch) {
    int found = -1;
    for (std::size_t i : Boundaries(s))
        if (IsSingle(s, i) && s[i] == ch) found = static_cast<int>(i);
    return found;
}

// The multibyte comparison: characters compare as units, a pair as
// lead * 256 + trail, a single byte as its value.
int RefCompare(const char* a, const char* b) {
    auto unit = [](const unsigned char*& p) -> unsigned {
        unsigned c = *p++;
        if (IsLeadByte936(static_cast<unsigned char>(c)) && *p != 0) c = c << 8 | *p++;
        return c;
    };
    const unsigned char* pa = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* pb = reinterpret_cast<const unsigned char*>(b);
    for (;;) {
        const unsigned ua = unit(pa), ub = unit(pb);
        if (ua != ub) return ua < ub ? -1 : 1;
        if (ua == 0) return 0;
    }
}

std::size_t Clamp(int v, std::size_t hi) {
    if (v < 0) return 0;
    return static_cast<std::size_t>(v) > hi ? hi : static_cast<std::size_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const char ch = in.ConsumeIntegral<char>();
    const int start = in.ConsumeIntegralInRange<int>(-4, 300);
    const int count = in.ConsumeIntegralInRange<int>(-4, 300);
    const std::string sub = in.ConsumeRandomLengthString(8);
    const std::string other = in.ConsumeRandomLengthString(64);
    const std::string text = in.ConsumeRemainingBytesAsString();
    const CString s(text.data(), static_cast<int>(text.size()));

    FUZZ_CHECK(s.GetLength() == static_cast<int>(text.size()));
    FUZZ_CHECK(s.Find(ch, start) == RefFind(text, ch, start));
    FUZZ_CHECK(s.ReverseFind(ch) == RefReverseFind(text, ch));

    // A substring match starts on a character boundary and really matches.
    const std::string subC = sub.substr(0, sub.find('\0'));
    const int at = s.Find(subC.c_str(), start);
    int expected = -1;
    auto bounds = Boundaries(text);
    bounds.push_back(text.size());
    for (std::size_t i : bounds) {
        if (static_cast<int>(i) >= start && text.compare(i, subC.size(), subC) == 0 &&
            i + subC.size() <= text.size()) {
            expected = static_cast<int>(i);
            break;
        }
    }
    FUZZ_CHECK(at == expected);

    // Order: as the multibyte comparison, antisymmetric, zero on itself.
    const std::string textC = text.substr(0, text.find('\0'));
    const std::string otherC = other.substr(0, other.find('\0'));
    const CString a(textC.c_str()), b(otherC.c_str());
    const int ab = a.Compare(b), ba = b.Compare(a);
    FUZZ_CHECK(ab == RefCompare(textC.c_str(), otherC.c_str()));
    FUZZ_CHECK(ab == -ba);
    FUZZ_CHECK(a.Compare(a) == 0);
    FUZZ_CHECK((a == b.c_str()) == (textC == otherC));

    // Cuts clamp to the string.
    const std::size_t first = Clamp(start, text.size());
    FUZZ_CHECK(StdString(s.Left(count)) == text.substr(0, Clamp(count, text.size())));
    FUZZ_CHECK(StdString(s.Right(count)) == text.substr(text.size() - Clamp(count, text.size())));
    FUZZ_CHECK(StdString(s.Mid(start)) == text.substr(first));
    FUZZ_CHECK(StdString(s.Mid(start, count)) == text.substr(first, Clamp(count, text.size() - first)));
    CString d(s);
    std::string expectDeleted = text;
    expectDeleted.erase(first, Clamp(count, text.size() - first));
    FUZZ_CHECK(d.Delete(start, count) == static_cast<int>(expectDeleted.size()));
    FUZZ_CHECK(StdString(d) == expectDeleted);

    // Concatenation keeps every byte; formatting a string gives it back.
    FUZZ_CHECK(StdString(s + b) == text + otherC);
    CString f;
    f.Format("%s", textC.c_str());
    FUZZ_CHECK(StdString(f) == textC);

    // A buffer of the asked size can be filled and released to its text.
    CString g(s);
    const int want = count < 0 ? 0 : count;
    char* buffer = g.GetBuffer(want);
    std::memset(buffer, 'x', static_cast<std::size_t>(want));
    buffer[want] = '\0';
    g.ReleaseBuffer();
    FUZZ_CHECK(g.GetLength() == static_cast<int>(std::strlen(g.c_str())));
    FUZZ_CHECK(g.GetLength() == want);
    return 0;
}
