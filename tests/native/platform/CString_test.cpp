// The byte string follows the double-byte rules of code page 936: a trail
// byte that equals a backslash is never taken for one.
#include "base/CString.h"
#include "base/StdString.h"

#include <gtest/gtest.h>

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

}  // namespace
