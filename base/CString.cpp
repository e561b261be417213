#include "base/CString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Length in bytes of the character that starts at p (1 or 2). A lead byte
// followed by the terminator counts as one byte so no walk runs past the end.
std::size_t CharLen936(const char* p) {
    if (IsLeadByte936(static_cast<unsigned char>(p[0])) && p[1] != '\0') return 2;
    return 1;
}

// The character at p as one number, advancing p past it.
unsigned CharUnit936(const char*& p) {
    const std::size_t n = CharLen936(p);
    unsigned unit = static_cast<unsigned char>(p[0]);
    if (n == 2) unit = unit << 8 | static_cast<unsigned char>(p[1]);
    p += n;
    return unit;
}

std::size_t Clamp(int v, std::size_t hi) {
    if (v < 0) return 0;
    return static_cast<std::size_t>(v) > hi ? hi : static_cast<std::size_t>(v);
}

// Lengths are ints in the interface, so no string grows past INT_MAX bytes.
constexpr std::size_t kMaxLength = 0x7FFFFFFF;

}  // namespace

CString::CString(const char* psz) {
    if (psz) Assign(psz, std::strlen(psz));
}

CString::CString(const char* p, int nLength) {
    if (p && nLength > 0) Assign(p, static_cast<std::size_t>(nLength));
}

CString::CString(const CString& s) {
    if (s.m_lost) Lose();
    else Assign(s.m_data, s.m_length);
}

CString::CString(CString&& s) noexcept
    : m_data(s.m_data), m_length(s.m_length), m_capacity(s.m_capacity), m_lost(s.m_lost) {
    s.m_data = nullptr;
    s.m_length = s.m_capacity = 0;
    s.m_lost = false;
}

CString& CString::operator=(const CString& s) {
    if (this == &s) return *this;
    if (s.m_lost) Lose();
    else Assign(s.m_data, s.m_length);
    return *this;
}

CString& CString::operator=(CString&& s) noexcept {
    if (this == &s) return *this;
    delete[] m_data;
    m_data = s.m_data;
    m_length = s.m_length;
    m_capacity = s.m_capacity;
    m_lost = s.m_lost;
    s.m_data = nullptr;
    s.m_length = s.m_capacity = 0;
    s.m_lost = false;
    return *this;
}

CString& CString::operator=(const char* psz) {
    if (psz) Assign(psz, std::strlen(psz));
    else Empty();
    return *this;
}

CString::~CString() { delete[] m_data; }

void CString::Empty() {
    delete[] m_data;
    m_data = nullptr;
    m_length = m_capacity = 0;
    m_lost = false;
}

void CString::Lose() {
    Empty();
    m_lost = true;
}

CString CString::LostString() {
    CString s;
    s.m_lost = true;
    return s;
}

bool CString::Reserve(std::size_t length) {
    if (length <= m_capacity && m_data) return true;
    char* grown = length > kMaxLength ? nullptr : new (std::nothrow) char[length + 1];
    if (!grown) {
        Lose();
        return false;
    }
    if (m_data) std::memcpy(grown, m_data, m_length + 1);
    else grown[0] = '\0';
    delete[] m_data;
    m_data = grown;
    m_capacity = length;
    return true;
}

void CString::SetLength(std::size_t length) {
    m_length = length;
    m_data[length] = '\0';
}

void CString::Assign(const char* p, std::size_t n) {
    m_lost = false;
    if (n == 0) {
        Empty();
        return;
    }
    // p may point into this string: a shorter copy fits without a new buffer.
    if (n <= m_capacity && m_data) {
        std::memmove(m_data, p, n);
        SetLength(n);
        return;
    }
    char* fresh = n > kMaxLength ? nullptr : new (std::nothrow) char[n + 1];
    if (!fresh) {
        Lose();
        return;
    }
    delete[] m_data;
    m_data = fresh;
    std::memcpy(fresh, p, n);
    m_capacity = n;
    SetLength(n);
}

void CString::Append(const char* p, std::size_t n) {
    if (n == 0 || m_lost) return;
    if (n > kMaxLength - m_length) {
        Lose();
        return;
    }
    const std::size_t length = m_length + n;
    if (length > m_capacity || !m_data) {
        // Grown by half again, so a string built piece by piece stays linear;
        // the old buffer lives until the copy, for p pointing into it.
        std::size_t capacity = length + length / 2;
        if (capacity > kMaxLength) capacity = kMaxLength;
        char* grown = new (std::nothrow) char[capacity + 1];
        if (!grown) {
            Lose();
            return;
        }
        if (m_data) std::memcpy(grown, m_data, m_length);
        std::memcpy(grown + m_length, p, n);
        delete[] m_data;
        m_data = grown;
        m_capacity = capacity;
        SetLength(length);
        return;
    }
    std::memmove(m_data + m_length, p, n);
    SetLength(length);
}

CString& CString::operator+=(const CString& s) {
    if (s.m_lost) Lose();
    else Append(s.m_data, s.m_length);
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz) Append(psz, std::strlen(psz));
    return *this;
}

CString& CString::operator+=(char ch) {
    Append(&ch, 1);
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

bool operator==(const CString& a, const CString& b) {
    return a.m_length == b.m_length && std::memcmp(a.c_str(), b.c_str(), a.m_length) == 0;
}

int CString::Compare(const char* psz) const {
    // Characters compare as units, as _mbscmp does: a pair as lead * 256 +
    // trail, a single byte as its value. Plain byte order differs for the
    // single byte 0xFF and for a lead byte left alone at the end.
    const char* a = c_str();
    const char* b = psz ? psz : "";
    for (;;) {
        const unsigned ua = CharUnit936(a);
        const unsigned ub = CharUnit936(b);
        if (ua != ub) return ua < ub ? -1 : 1;
        if (ua == 0) return 0;
    }
}

CString CString::Left(int nCount) const {
    if (m_lost) return LostString();
    return CString(c_str(), static_cast<int>(Clamp(nCount, m_length)));
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
    if (m_lost) return LostString();
    std::size_t first = Clamp(nFirst, m_length);
    std::size_t count = Clamp(nCount, m_length - first);
    return CString(c_str() + first, static_cast<int>(count));
}

CString CString::Right(int nCount) const {
    if (m_lost) return LostString();
    std::size_t count = Clamp(nCount, m_length);
    return CString(c_str() + (m_length - count), static_cast<int>(count));
}

int CString::Find(char ch, int nStart) const {
    const char* base = c_str();
    std::size_t i = 0;
    std::size_t start = Clamp(nStart, m_length);
    while (i < m_length) {
        std::size_t n = CharLen936(base + i);
        if (n == 1 && i >= start && base[i] == ch) return static_cast<int>(i);
        i += n;
    }
    return -1;
}

int CString::Find(const char* pszSub, int nStart) const {
    // A start past the end finds nothing, not even the empty string.
    if (!pszSub || nStart > GetLength()) return -1;
    std::size_t subLen = std::strlen(pszSub);
    const char* base = c_str();
    std::size_t start = Clamp(nStart, m_length);
    // Only character boundaries may start a match.
    for (std::size_t i = 0; i <= m_length; i += CharLen936(base + i)) {
        if (i >= start && subLen <= m_length - i && std::memcmp(base + i, pszSub, subLen) == 0)
            return static_cast<int>(i);
        if (i == m_length) break;
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    const char* base = c_str();
    int found = -1;
    std::size_t i = 0;
    while (i < m_length) {
        std::size_t n = CharLen936(base + i);
        if (n == 1 && base[i] == ch) found = static_cast<int>(i);
        i += n;
    }
    return found;
}

int CString::Delete(int nIndex, int nCount) {
    std::size_t index = Clamp(nIndex, m_length);
    std::size_t count = Clamp(nCount, m_length - index);
    if (count == 0) return GetLength();
    std::memmove(m_data + index, m_data + index + count, m_length - index - count);
    SetLength(m_length - count);
    return GetLength();
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    // Formatted into a fresh buffer: an argument may be this string's own text.
    CString out;
    if (n > 0 && out.Reserve(static_cast<std::size_t>(n))) {
        std::vsnprintf(out.m_data, static_cast<std::size_t>(n) + 1, pszFormat, args);
        out.m_length = static_cast<std::size_t>(n);
    }
    va_end(args);
    *this = static_cast<CString&&>(out);
}

char* CString::GetBuffer(int nMinBufLength) {
    const std::size_t want = nMinBufLength > 0 ? static_cast<std::size_t>(nMinBufLength) : 0;
    if (!Reserve(want > m_length ? want : m_length)) return nullptr;
    if (m_length < want) {
        std::memset(m_data + m_length, 0, want - m_length);
        SetLength(want);
    }
    return m_data;
}

void CString::ReleaseBuffer(int nNewLength) {
    if (!m_data) return;
    if (nNewLength < 0) {
        SetLength(std::strlen(m_data));
        return;
    }
    SetLength(Clamp(nNewLength, m_length));
}
