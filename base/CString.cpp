#include "base/CString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

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

}  // namespace

CString::CString(const char* psz) : m_s(psz ? psz : "") {}

CString::CString(const char* p, int nLength) {
    if (p && nLength > 0) m_s.assign(p, static_cast<std::size_t>(nLength));
}

CString& CString::operator=(const char* psz) {
    m_s = psz ? psz : "";
    return *this;
}

CString& CString::operator+=(const CString& s) {
    m_s += s.m_s;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz) m_s += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_s += ch;
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

int CString::Compare(const char* psz) const {
    // Characters compare as units, as _mbscmp does: a pair as lead * 256 +
    // trail, a single byte as its value. Plain byte order differs for the
    // single byte 0xFF and for a lead byte left alone at the end.
    const char* a = m_s.c_str();
    const char* b = psz ? psz : "";
    for (;;) {
        const unsigned ua = CharUnit936(a);
        const unsigned ub = CharUnit936(b);
        if (ua != ub) return ua < ub ? -1 : 1;
        if (ua == 0) return 0;
    }
}

CString CString::Left(int nCount) const {
    return CString(m_s.c_str(), static_cast<int>(Clamp(nCount, m_s.size())));
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
    std::size_t first = Clamp(nFirst, m_s.size());
    std::size_t count = Clamp(nCount, m_s.size() - first);
    return CString(m_s.c_str() + first, static_cast<int>(count));
}

CString CString::Right(int nCount) const {
    std::size_t count = Clamp(nCount, m_s.size());
    return CString(m_s.c_str() + (m_s.size() - count), static_cast<int>(count));
}

int CString::Find(char ch, int nStart) const {
    const char* base = m_s.c_str();
    std::size_t i = 0;
    std::size_t start = Clamp(nStart, m_s.size());
    while (i < m_s.size()) {
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
    const char* base = m_s.c_str();
    std::size_t start = Clamp(nStart, m_s.size());
    // Only character boundaries may start a match.
    for (std::size_t i = 0; i <= m_s.size(); i += CharLen936(base + i)) {
        if (i >= start && m_s.compare(i, subLen, pszSub) == 0 && i + subLen <= m_s.size())
            return static_cast<int>(i);
        if (i == m_s.size()) break;
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    const char* base = m_s.c_str();
    int found = -1;
    std::size_t i = 0;
    while (i < m_s.size()) {
        std::size_t n = CharLen936(base + i);
        if (n == 1 && base[i] == ch) found = static_cast<int>(i);
        i += n;
    }
    return found;
}

int CString::Delete(int nIndex, int nCount) {
    std::size_t index = Clamp(nIndex, m_s.size());
    std::size_t count = Clamp(nCount, m_s.size() - index);
    m_s.erase(index, count);
    return GetLength();
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (n < 0) {
        m_s.clear();
    } else {
        std::string out(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(&out[0], out.size(), pszFormat, args);
        out.resize(static_cast<std::size_t>(n));
        m_s.swap(out);
    }
    va_end(args);
}

char* CString::GetBuffer(int nMinBufLength) {
    std::size_t want = nMinBufLength > 0 ? static_cast<std::size_t>(nMinBufLength) : 0;
    if (m_s.size() < want) m_s.resize(want, '\0');
    return &m_s[0];
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) {
        m_s.resize(std::strlen(m_s.c_str()));
        return;
    }
    m_s.resize(Clamp(nNewLength, m_s.size()));
}
