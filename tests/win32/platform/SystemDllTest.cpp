// Binding system DLL functions at first use: what cannot be had from the
// system folder comes back null, so the wrapper fails its call cleanly; and
// where the restricted search is missing, the full path in the system
// folder is used, never the bare name that would find a planted copy.
#include "platform/win32/SystemDll.h"

#include <gtest/gtest.h>

#include <string>

using plat::win32::DllSearch;
using plat::win32::SystemDllProc;

namespace {

std::string Folder(HMODULE module) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(module, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.rfind('\\'));
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    ::GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

}  // namespace

TEST(SystemDll, MissingDllOrFunctionGivesNullAndPresentOnesBind) {
    for (DllSearch search : {DllSearch::Auto, DllSearch::FullSystemPath}) {
        EXPECT_EQ(nullptr, SystemDllProc("tq-no-such-library.dll", "InternetOpenA", search));
        EXPECT_EQ(nullptr, SystemDllProc("wininet.dll", "TqNoSuchFunction", search));
        EXPECT_NE(nullptr, SystemDllProc("wininet.dll", "InternetOpenA", search));
        EXPECT_NE(nullptr, SystemDllProc("version.dll", "VerQueryValueA", search));
        EXPECT_NE(nullptr, SystemDllProc("comctl32.dll", "InitCommonControls", search));
    }
}

TEST(SystemDll, TheFullSystemPathNeverFindsACopyInTheProgramsFolder) {
    // A DLL that exists only beside this program: a bare name would load it.
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string planted = self;
    planted = planted.substr(0, planted.rfind('\\')) + "\\tq-planted-copy.dll";
    ASSERT_TRUE(::CopyFileA((SystemFolder() + "\\version.dll").c_str(), planted.c_str(), FALSE));
    EXPECT_EQ(nullptr, SystemDllProc("tq-planted-copy.dll", "VerQueryValueA", DllSearch::FullSystemPath));
    HMODULE bare = ::LoadLibraryA("tq-planted-copy.dll");
    EXPECT_NE(nullptr, bare) << "the copy is not where a bare name finds it: the case shows nothing";
    if (bare) ::FreeLibrary(bare);
    ::DeleteFileA(planted.c_str());

    HMODULE module = plat::win32::LoadSystemDll("version.dll", DllSearch::FullSystemPath);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(0, _stricmp(Folder(module).c_str(), SystemFolder().c_str()));
}
