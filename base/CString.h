// Our byte string: counted, in code page 936, with just the operations the
// program uses. Searches and comparisons walk double-byte characters as
// units (lead bytes 0x81..0xFE), so the trail byte 0x5C of "誠" is never
// taken for a backslash and a path holding it keeps its whole name.
// Indices and lengths count bytes.
//
// The bytes live in a buffer of the string's own on the heap (the program
// carries no C++ runtime). A string that cannot get the memory an operation
// needs becomes empty, and stays empty through later appends until it is
// given a new value; what is made from it (copies, pieces, sums) is empty as
// well. So a name that failed to grow is never a shorter name, nor just its
// tail, and every Windows call given the empty name fails.
#pragma once
#include <cstddef>

class CString {
public:
    CString() = default;
    CString(const char* psz);  // NOLINT(google-explicit-constructor): paths and texts arrive as C strings
    CString(const char* p, int nLength);
    CString(const CString& s);
    CString(CString&& s) noexcept;
    CString& operator=(const CString& s);
    CString& operator=(CString&& s) noexcept;
    CString& operator=(const char* psz);
    ~CString();

    int GetLength() const { return static_cast<int>(m_length); }
    bool IsEmpty() const { return m_length == 0; }
    void Empty();
    char GetAt(int i) const { return c_str()[i]; }
    operator const char*() const { return c_str(); }  // NOLINT(google-explicit-constructor)
    const char* c_str() const { return m_data ? m_data : ""; }

    CString& operator+=(const CString& s);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);

    // Byte-wise order under the double-byte rules (as _mbscmp): <0, 0, >0.
    int Compare(const char* psz) const;
    friend bool operator==(const CString& a, const CString& b);
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

    // A writable buffer of at least nMinBufLength bytes plus a terminator;
    // null (and the string empty) when the memory cannot be had.
    char* GetBuffer(int nMinBufLength);
    // Ends buffer access: the length becomes nNewLength, or the length up to
    // the first zero byte when nNewLength is -1.
    void ReleaseBuffer(int nNewLength = -1);

private:
    // Room for length bytes and the terminator, contents kept; false (and
    // the string empty) when the memory cannot be had.
    bool Reserve(std::size_t length);
    void Lose();  // empty, and lost until the next assignment
    static CString LostString();
    void Assign(const char* p, std::size_t n);
    void Append(const char* p, std::size_t n);
    void SetLength(std::size_t length);

    char* m_data = nullptr;
    std::size_t m_length = 0;
    std::size_t m_capacity = 0;  // bytes before the terminator's place
    bool m_lost = false;         // an operation could not get its memory
};

// True when b is a lead byte of a double-byte character in code page 936.
inline bool IsLeadByte936(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
