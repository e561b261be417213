// The byte string follows the double-byte rules of code page 936: a trail
// byte that equals a backslash is never taken for one.
#include "base/CString.h"
#include "tests/StdString.h"

#include "AddressSpaceLimit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// C:\誠\tarnquill.exe: 誠 is D5 5C, its trail byte a backslash.
const char kPath[] = "C:\\\xD5\x5C\\tarnquill.exe";

TEST(CStringCodePage, NarrowLiteralsAreGbkBytes) {
    const char* text = "更新成功！";
    EXPECT_EQ(std::string("\xB8\xFC\xD0\xC2\xB3\xC9\xB9\xA6\xA3\xA1"), text);
    EXPECT_EQ(std::string("\xD5\x5C"), "誠");
}

TEST(CStringDoubleByte, SearchesStepOverTrailBytes) {
    CString path(kPath);
    EXPECT_EQ(5, path.ReverseFind('\\'));
    EXPECT_EQ(2, path.Find('\\'));
    EXPECT_EQ(5, path.Find('\\', 3));  // a start inside the pair finds no trail byte
    EXPECT_STREQ("tarnquill.exe", path.Mid(path.ReverseFind('\\') + 1));
    EXPECT_STREQ("C:\\\xD5\x5C", path.Left(path.ReverseFind('\\')));
    // A path ending in the character: the last backslash is the one before it.
    CString folder("C:\\a\\\xD5\x5C");
    EXPECT_EQ(4, folder.ReverseFind('\\'));
    EXPECT_EQ(-1, CString("\xD5\x5C\xD5\x5C").ReverseFind('\\'));
    // Substring searches start only at character boundaries.
    EXPECT_EQ(-1, CString("\xD5\x5C" "a").Find("\\a"));
    EXPECT_EQ(5, path.Find("\\t"));
    EXPECT_EQ(-1, path.Find("exe!"));
    // A lead byte at the very end is a lone byte, not half a pair.
    CString cut("ab\xD5");
    EXPECT_EQ(2, cut.Find('\xD5'));
}

TEST(CStringDoubleByte, CompareOrdersByCharacters) {
    EXPECT_EQ(0, CString(kPath).Compare(kPath));
    EXPECT_LT(CString("a").Compare("b"), 0);
    EXPECT_GT(CString("b").Compare("a"), 0);
    EXPECT_LT(CString("ab").Compare("abc"), 0);
    // Double-byte characters sort above every single-byte one.
    EXPECT_GT(CString("\xD5\x5C").Compare("z"), 0);
    EXPECT_LT(CString("\xB0\xA1").Compare("\xD5\x5C"), 0);
    EXPECT_GT(CString("\xD5\x5C").Compare("\xD5\x41"), 0);
    EXPECT_TRUE(CString("5.0") == "5.0");
    EXPECT_TRUE(CString("5.0") != "5.00");
    EXPECT_GT(CString("x").Compare(nullptr), 0);
}

TEST(CStringClamping, PiecesNeverReachOutsideTheString) {
    CString s("abcdef");
    EXPECT_STREQ("", s.Left(-1));
    EXPECT_STREQ("abcdef", s.Left(100));
    EXPECT_STREQ("cdef", s.Mid(2));
    EXPECT_STREQ("", s.Mid(6));
    EXPECT_STREQ("", s.Mid(60));
    EXPECT_STREQ("ab", s.Mid(-3, 2));
    EXPECT_STREQ("ef", s.Mid(4, 50));
    EXPECT_STREQ("", s.Mid(2, -1));
    EXPECT_STREQ("def", s.Right(3));
    EXPECT_STREQ("abcdef", s.Right(30));
    EXPECT_EQ(4, s.Delete(1, 2));
    EXPECT_STREQ("adef", s);
    EXPECT_EQ(4, s.Delete(10, 1));
    EXPECT_EQ(2, s.Delete(2, 100));
    EXPECT_STREQ("ad", s);
    EXPECT_EQ(2, s.Delete(-1, 0));
    EXPECT_STREQ("ad", s);
}

TEST(CStringBuffer, GetBufferAndReleaseBufferSetTheLength) {
    CString s("old");
    char* p = s.GetBuffer(260);
    std::strcpy(p, "C:\\ProgramData");
    s.ReleaseBuffer();
    EXPECT_EQ(14, s.GetLength());
    EXPECT_STREQ("C:\\ProgramData", s);
    p = s.GetBuffer(0);  // never shorter than the contents
    EXPECT_EQ('C', p[0]);
    s.ReleaseBuffer(2);
    EXPECT_STREQ("C:", s);
    s.GetBuffer(10);
    s.ReleaseBuffer(100);  // clamped to the buffer
    EXPECT_LE(s.GetLength(), 10);
}

TEST(CStringFormat, ReplacesTheContentsWhateverTheirLength) {
    CString s("previous contents that are longer");
    s.Format("%d.%d", 5, 0);
    EXPECT_STREQ("5.0", s);
    EXPECT_EQ(3, s.GetLength());
    const std::string big(5000, 'x');
    s.Format("%s|%u", big.c_str(), 65535u);
    EXPECT_EQ(5006, s.GetLength());
    EXPECT_EQ("|65535", StdString(s).substr(5000));
    s.Format("%s", "\xD5\x5C");
    EXPECT_STREQ("\xD5\x5C", s);
}

TEST(CStringConcatenation, JoinsPathsByteForByte) {
    CString folder("C:\\ProgramData");
    CString path = folder + "\\Veltrano\\" + CString("tarnquill") + ".exe";
    EXPECT_STREQ("C:\\ProgramData\\Veltrano\\tarnquill.exe", path);
    path += '!';
    path += static_cast<const char*>(nullptr);
    EXPECT_STREQ("C:\\ProgramData\\Veltrano\\tarnquill.exe!", path);
    EXPECT_STREQ("x", "" + CString("x"));
    EXPECT_TRUE(CString(nullptr).IsEmpty());
    EXPECT_TRUE(CString("abc", -1).IsEmpty());
}

// The string's own bytes as an argument: the buffer they live in may be
// replaced while they are read.
TEST(CStringConcatenation, AStringMayBeItsOwnArgument) {
    CString s("ab\xD5\x5C");
    s += s;
    EXPECT_STREQ("ab\xD5\x5C" "ab\xD5\x5C", s);
    s += s.c_str() + 4;
    EXPECT_STREQ("ab\xD5\x5C" "ab\xD5\x5C" "ab\xD5\x5C", s);
    s.Format("%s|%s", s.c_str(), s.c_str());
    EXPECT_EQ(25, s.GetLength());
    s = s.c_str() + 13;
    EXPECT_STREQ("ab\xD5\x5C" "ab\xD5\x5C" "ab\xD5\x5C", s);
    s = s;
    EXPECT_EQ(12, s.GetLength());
}

// A string whose memory cannot be had becomes empty, and what is built on it
// stays empty: never a shorter string or a bare tail that could name another
// file. The source stays whole.
TEST(CStringMemoryDeathTest, AStringThatCannotGetItsMemoryBecomesEmpty) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::size_t size = 48u << 20;
            const std::string bytes(size, 'x');
            const CString big(bytes.c_str(), static_cast<int>(size));
            LimitAddressSpace(16u << 20);
            const CString copy(big);
            CString assigned("C:\\a");
            assigned = big;
            CString joined("C:\\a\\");
            joined += big;
            CString formatted("C:\\a");
            formatted.Format("%s.exe", big.c_str());
            CString buffer("C:\\a");
            const bool noBuffer = buffer.GetBuffer(64 << 20) == nullptr;
            CString tail(copy);
            tail += "\\tarnquill.exe";
            joined += "\\tarnquill.exe";
            const bool allEmpty = copy.IsEmpty() && assigned.IsEmpty() && joined.IsEmpty() && formatted.IsEmpty() &&
                                  big.Mid(1).IsEmpty() && (big + "x").IsEmpty() && ("C:" + big).IsEmpty() &&
                                  tail.IsEmpty() && buffer.IsEmpty() && noBuffer;
            const bool sourceWhole = big.GetLength() == static_cast<int>(size) && big.GetAt(size - 1) == 'x';
            CString small("C:\\a");
            small += "\\b";
            std::exit(allEmpty && sourceWhole && small == "C:\\a\\b" ? 42 : 1);
        },
        ::testing::ExitedWithCode(42), "");
}

// Results the fuzzing found wrong, kept fixed.
TEST(CStringFuzzFindings, ASearchStartingPastTheEndFindsNothing) {
    EXPECT_EQ(-1, CString("").Find("", 187));
    EXPECT_EQ(-1, CString("abc").Find("", 4));
    EXPECT_EQ(3, CString("abc").Find("", 3));  // the end itself is still a place
    EXPECT_EQ(-1, CString("abc").Find("c", 4));
}

TEST(CStringFuzzFindings, OrderComparesCharactersAsUnits) {
    // The single byte 0xFF sorts below every double-byte character, whose
    // lead byte is smaller than it.
    EXPECT_LT(CString("\xFF").Compare("\xFE\x40"), 0);
    EXPECT_GT(CString("\xFE\x40").Compare("\xFF"), 0);
    // A lead byte alone at the end is a character of its own value.
    EXPECT_GT(CString("\xB6\xB6\xB6").Compare("\xD5"), 0);
    EXPECT_LT(CString("\xD5").Compare("\xB6\xB6"), 0);
    // Ordinary text keeps its byte order.
    EXPECT_LT(CString("abc").Compare("abd"), 0);
    EXPECT_EQ(0, CString("誠\\").Compare("誠\\"));
}

}  // namespace
