// A folder's listing, as the update finds the downloads an earlier run left.
#include "platform/FileSearch.h"
#include "platform/Kernel.h"
#include "tests/contract/ContractWorld.h"

#include <set>
#include <string>

using namespace plat;

namespace contract {
namespace {

using FolderSearch = WorldTest;

TEST_F(FolderSearch, AFolderListsTheFilesOfAPattern) {
    for (const char* name : {"a.exe.1.part", "A.EXE.22.part", "a.exe", "b.exe.1.part"}) {
        HANDLE file = CreateFileA((Scratch() + "\\" + name).c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
        CloseHandle(file);
    }
    std::set<std::string> found;
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA((Scratch() + "\\a.exe.*.part").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do found.insert(data.cFileName);
    while (FindNextFileA(search, &data));
    EXPECT_TRUE(FindClose(search));
    EXPECT_EQ((std::set<std::string>{"a.exe.1.part", "A.EXE.22.part"}), found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((Scratch() + "\\none.*").c_str(), &data));
}

}  // namespace
}  // namespace contract
