// The shell link adapters over the real COM objects: the calls reach the real
// link (the saved file reads back with the path that was set) and the
// reference counts stay balanced, so the object is freed at the last Release.
#include "platform/Kernel.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace {

class ShellLinkAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(plat::CoInitialize(nullptr)));
        char temp[MAX_PATH] = {};
        ASSERT_GT(plat::GetTempPathA(MAX_PATH, temp), 0u);
        dir_ = temp;
    }
    void TearDown() override { plat::CoUninitialize(); }

    plat::IShellLinkA* NewLink() {
        void* p = reinterpret_cast<void*>(0xdeadbeef);
        const plat::HRESULT hr =
            plat::CoCreateInstance(plat::CLSID_ShellLink, plat::CLSCTX_INPROC_SERVER, plat::IID_IShellLinkA, &p);
        EXPECT_EQ(S_OK, hr);
        return static_cast<plat::IShellLinkA*>(p);
    }

    // Reads a saved link back through the real shell object.
    static std::string TargetOf(const std::wstring& lnk) {
        IShellLinkA* link = nullptr;
        if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link))))
            return "<no link object>";
        IPersistFile* file = nullptr;
        std::string result = "<not loaded>";
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            char path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(lnk.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
                result = path;
            file->Release();
        }
        link->Release();
        return result;
    }

    std::string dir_;
};

TEST_F(ShellLinkAdapter, SavedLinkCarriesThePathAndCountsEndAtZero) {
    plat::IShellLinkA* link = NewLink();
    ASSERT_NE(nullptr, link);
    // The target exists, as the installed program does when links are made.
    const std::string target = dir_ + "免费快速.exe";
    plat::HANDLE h = plat::CreateFileA(target.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    plat::CloseHandle(h);
    EXPECT_EQ(S_OK, link->SetPath(target.c_str()));
    EXPECT_EQ(S_OK, link->SetArguments("--start"));

    void* p = nullptr;
    ASSERT_EQ(S_OK, link->QueryInterface(plat::IID_IPersistFile, &p));
    auto* file = static_cast<plat::IPersistFile*>(p);
    const std::string lnk = dir_ + " Veltrano 测试.lnk";
    plat::WCHAR wide[MAX_PATH] = {};
    ASSERT_GT(plat::MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH), 0);
    EXPECT_EQ(S_OK, file->Save(wide, TRUE));

    // A count handed out is taken back by the matching Release.
    const plat::ULONG raised = link->AddRef();
    EXPECT_EQ(raised - 1, link->Release());
    file->Release();
    EXPECT_EQ(0u, link->Release());

    const std::wstring wlnk(reinterpret_cast<const wchar_t*>(wide));
    EXPECT_EQ(target, TargetOf(wlnk));
    ::DeleteFileW(wlnk.c_str());
    plat::DeleteFileA(target.c_str());
}

TEST_F(ShellLinkAdapter, InterfacesWithoutAnAdapterAreRefused) {
    plat::IShellLinkA* link = NewLink();
    ASSERT_NE(nullptr, link);
    // IID_IShellLinkW {000214F9-0000-0000-C000-000000000046}: real, but not offered.
    const plat::GUID shellLinkW = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    void* p = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(E_NOINTERFACE, link->QueryInterface(shellLinkW, &p));
    EXPECT_EQ(nullptr, p);

    // The link and its persist-file side lead to each other.
    ASSERT_EQ(S_OK, link->QueryInterface(plat::IID_IPersistFile, &p));
    auto* file = static_cast<plat::IPersistFile*>(p);
    void* back = nullptr;
    ASSERT_EQ(S_OK, file->QueryInterface(plat::IID_IShellLinkA, &back));
    static_cast<plat::IShellLinkA*>(back)->Release();
    file->Release();
    EXPECT_EQ(0u, link->Release());
}

TEST_F(ShellLinkAdapter, UnknownClassFailsWithNoObject) {
    const plat::GUID nothing = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* p = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_TRUE(FAILED(plat::CoCreateInstance(nothing, plat::CLSCTX_INPROC_SERVER, plat::IID_IShellLinkA, &p)));
    EXPECT_EQ(nullptr, p);
}

}  // namespace
