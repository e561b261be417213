// Binding system DLL functions at first use: what cannot be had from the
// system folder comes back null, so the wrapper fails its call cleanly.
#include "platform/win32/SystemDll.h"

#include <gtest/gtest.h>

TEST(SystemDll, MissingDllOrFunctionGivesNullAndPresentOnesBind) {
    EXPECT_EQ(nullptr, plat::win32::SystemDllProc("tq-no-such-library.dll", "InternetOpenA"));
    EXPECT_EQ(nullptr, plat::win32::SystemDllProc("wininet.dll", "TqNoSuchFunction"));
    EXPECT_NE(nullptr, plat::win32::SystemDllProc("wininet.dll", "InternetOpenA"));
    EXPECT_NE(nullptr, plat::win32::SystemDllProc("version.dll", "VerQueryValueA"));
    EXPECT_NE(nullptr, plat::win32::SystemDllProc("comctl32.dll", "InitCommonControls"));
}
