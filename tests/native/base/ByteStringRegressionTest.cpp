// Byte-string results the fuzzing found wrong, kept fixed.
#include "base/CString.h"

#include <gtest/gtest.h>

namespace {

TEST(ByteStringRegression, ASearchStartingPastTheEndFindsNothing) {
    EXPECT_EQ(-1, CString("").Find("", 187));
    EXPECT_EQ(-1, CString("abc").Find("", 4));
    EXPECT_EQ(3, CString("abc").Find("", 3));  // the end itself is still a place
    EXPECT_EQ(-1, CString("abc").Find("c", 4));
}

TEST(ByteStringRegression, OrderComparesCharactersAsUnits) {
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
