// The shell's special folders and its link object, as the shortcut writers
// use them.
#include "platform/Shell.h"
#include "tests/contract/ContractFiles.h"
#include "tests/contract/ContractWorld.h"

#include <map>

using namespace plat;

namespace contract {
namespace {

class ShellLinks : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        initialised_ = true;
    }
    void TearDown() override {
        if (initialised_) CoUninitialize();
        WorldTest::TearDown();
    }

    static IShellLinkA* NewLink() {
        void* p = nullptr;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &p));
        return static_cast<IShellLinkA*>(p);
    }

    // Saves a link to target at file; the save's result.
    static HRESULT SaveLink(const std::string& target, const std::string& file) {
        IShellLinkA* link = NewLink();
        if (!link) return E_FAIL;
        void* p = nullptr;
        HRESULT hr = link->SetPath(target.c_str());
        if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, &p);
        if (SUCCEEDED(hr)) {
            WCHAR wide[MAX_PATH] = {};
            EXPECT_GT(MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH), 0);
            hr = static_cast<IPersistFile*>(p)->Save(wide, TRUE);
            static_cast<IPersistFile*>(p)->Release();
        }
        EXPECT_EQ(0u, link->Release());  // the last reference frees the object
        return hr;
    }

    bool initialised_ = false;
};

TEST_F(ShellLinks, ASavedLinkLeadsToItsTarget) {
    const std::string target = Scratch() + "\\\xC3\xE2\xB7\xD1.exe";  // 免费.exe
    const std::string file = Scratch() + "\\ Veltrano \xB2\xE2\xCA\xD4.lnk";  // 测试
    ASSERT_TRUE(WriteBytes(target, "MZ"));
    EXPECT_EQ(S_OK, SaveLink(target, file));
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_STRCASEEQ(target.c_str(), LinkTarget(file).c_str());
}

// The link object loads a saved link and gives back its target as stored;
// a file that is no link does not load.
TEST_F(ShellLinks, ASavedLinkLoadsAndGivesItsTarget) {
    const std::string target = Scratch() + "\\tarnquill", file = Scratch() + "\\ Veltrano.lnk";
    ASSERT_EQ(S_OK, SaveLink(target, file));
    ASSERT_TRUE(WriteBytes(Scratch() + "\\not.lnk", "text"));
    for (const std::string& name : {file, Scratch() + "\\not.lnk", Scratch() + "\\none.lnk"}) {
        IShellLinkA* link = NewLink();
        ASSERT_NE(nullptr, link);
        void* p = nullptr;
        ASSERT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, &p));
        WCHAR wide[MAX_PATH] = {};
        EXPECT_GT(MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH), 0);
        char got[MAX_PATH] = {};
        const bool loaded = SUCCEEDED(static_cast<IPersistFile*>(p)->Load(wide, STGM_READ));
        EXPECT_EQ(name == file, loaded) << name;
        if (loaded) {
            EXPECT_EQ(S_OK, link->GetPath(got, MAX_PATH));
            EXPECT_STRCASEEQ(target.c_str(), got);
        }
        static_cast<IPersistFile*>(p)->Release();
        EXPECT_EQ(0u, link->Release());
    }
}

TEST_F(ShellLinks, SavingIntoAMissingFolderFails) {
    const std::string file = Scratch() + "\\missing\\ Veltrano.lnk";
    EXPECT_TRUE(FAILED(SaveLink(Scratch(), file)));
    EXPECT_FALSE(FileExists(file.c_str()));
}

TEST_F(ShellLinks, OfferTheLinkAndPersistFileInterfacesOnly) {
    IShellLinkA* link = NewLink();
    ASSERT_NE(nullptr, link);
    // IID_IShellLinkW: real, but not offered through the seam.
    const GUID shellLinkW = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    void* p = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(E_NOINTERFACE, link->QueryInterface(shellLinkW, &p));
    EXPECT_EQ(nullptr, p);
    ASSERT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, &p));
    auto* file = static_cast<IPersistFile*>(p);
    ASSERT_EQ(S_OK, file->QueryInterface(IID_IShellLinkA, &p));  // and back
    static_cast<IShellLinkA*>(p)->Release();
    file->Release();
    EXPECT_EQ(0u, link->Release());
}

TEST_F(ShellLinks, ComInitialisedTwiceSaysSoAndNeedsTwoUninitialisations) {
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
    CoUninitialize();
    IShellLinkA* link = NewLink();  // still initialised once
    ASSERT_NE(nullptr, link);
    EXPECT_EQ(0u, link->Release());
}

using SpecialFolders = WorldTest;

TEST_F(SpecialFolders, AreExistingFoldersWithoutATrailingBackslash) {
    std::map<int, std::string> folders;
    for (int csidl : {CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
                      CSIDL_COMMON_STARTMENU, CSIDL_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        char path[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) << csidl;
        const std::string folder = folders[csidl] = path;
        EXPECT_EQ(":\\", folder.substr(1, 2)) << folder;
        EXPECT_NE('\\', folder.back()) << folder;
        EXPECT_FALSE(CreateDirectoryA(folder.c_str())) << folder;  // it exists
        EXPECT_FALSE(FileExists(folder.c_str())) << folder;        // as a folder
    }
    EXPECT_STRCASEEQ((folders[CSIDL_COMMON_STARTMENU] + "\\Programs").c_str(), folders[CSIDL_COMMON_PROGRAMS].c_str());
    char unknown[MAX_PATH] = {};
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, unknown, 0x7F, FALSE));  // no such folder id
    EXPECT_STRCASEEQ((folders[CSIDL_STARTMENU] + "\\Programs").c_str(), folders[CSIDL_PROGRAMS].c_str());
}

using Elevation = WorldTest;

// Nothing to start: the shell fails before it asks anyone anything.
TEST_F(Elevation, OfAMissingProgramFailsAndRunsNothing) {
    DWORD code = 77;
    EXPECT_FALSE(ShellExecuteRunAsA((Scratch() + "\\missing.exe").c_str(), "/uninstall", &code));
    EXPECT_EQ(77u, code);
}

}  // namespace
}  // namespace contract
