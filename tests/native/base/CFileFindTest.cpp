// CFileFind finds files by name, whatever the case, and never folders.
#include "base/CFileFind.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

namespace {

TEST(CFileFind, SeesFilesNotFolders) {
    sim::Reset();
    ASSERT_TRUE(sim::PutFile("C:\\ProgramData\\Veltrano\\ Veltrano4.lnk", "L"));
    CFileFind finder;
    EXPECT_TRUE(finder.FindFile("c:\\programdata\\veltrano\\ veltrano4.lnk"));
    EXPECT_FALSE(finder.FindFile("C:\\ProgramData\\Veltrano"));
    EXPECT_FALSE(finder.FindFile("C:\\ProgramData\\Veltrano\\Veltrano4.lnk"));  // the blank counts
    EXPECT_FALSE(finder.FindFile(nullptr));
    finder.Close();
}

}  // namespace
