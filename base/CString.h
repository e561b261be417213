// Our byte string: counted, in code page 936, with just the operations the
// program uses. Searches and comparisons walk double-byte characters as
// units (lead bytes 0x81..0xFE), so the trail byte 0x5C of "誠" is never
// taken for a backslash and a path holding it keeps its whole name.
// Indices and lengths count bytes.
#pragma once
#include <cstddef>
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* psz);  // NOLINT(google-explicit-constructor): paths and texts arrive as C strings
    CString(const char* p, int nLength);
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* psz);

    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    char GetAt(int i) const { return m_s[static_cast<std::size_t>(i)]; }
    operator const char*() const { return m_s.c_str(); }  // NOLINT(google-explicit-constructor)
    const char* c_str() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }

    CString& operator+=(const CString& s);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);

    // Byte-wise order under the double-byte rules (as _mbscmp): <0, 0, >0.
    int Compare(const char* psz) const;
    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;
    // Byte index of the first/last single-byte character ch, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    // Removes nCount bytes from nIndex (clamped); returns the new length.
    int Delete(int nIndex, int nCount = 1);

    // printf-style formatting; the result replaces the contents.
    void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));

    // A writable buffer of at least nMinBufLength bytes plus a terminator.
    char* GetBuffer(int nMinBufLength);
    // Ends buffer access: the length becomes nNewLength, or the length up to
    // the first zero byte when nNewLength is -1.
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_s;
};

// True when b is a lead byte of a double-byte character in code page 936.
inline bool IsLeadByte936(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
