// The version information of the built programs, read through the real
// version library: the version strings the program makes from it, the fixed
// block's fields and the string table as Explorer shows it.
#include "platform/VersionApi.h"
#include "tests/StdString.h"
#include "update/AutoUpdater.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "tests/win32/gtest/DosPath.h"

namespace {

#define REQUIRE_PROGRAM(path, variable)                                 \
    const std::string path = DosPathFromEnvironment(variable);                     \
    ASSERT_FALSE(path.empty()) << variable << " is not set";             \
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str())) << path

std::vector<unsigned char> VersionBlock(const std::string& path) {
    DWORD handle = 0xdeadbeef;
    const DWORD size = ::GetFileVersionInfoSizeW(std::wstring(path.begin(), path.end()).c_str(), &handle);
    std::vector<unsigned char> block(size);
    if (size == 0 || !::GetFileVersionInfoW(std::wstring(path.begin(), path.end()).c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

// One node of the raw version data: key, value bytes and its children.
struct Node {
    std::u16string key;
    std::vector<unsigned char> value;
    bool text = false;
    std::vector<Node> children;
};

std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

Node ParseNode(const unsigned char* p, std::size_t avail) {
    Node n;
    const std::size_t length = p[0] | (p[1] << 8);
    const std::size_t valueLength = p[2] | (p[3] << 8);
    n.text = (p[4] | (p[5] << 8)) == 1;
    std::size_t pos = 6;
    while (pos + 1 < length && (p[pos] | p[pos + 1])) {
        n.key.push_back(static_cast<char16_t>(p[pos] | (p[pos + 1] << 8)));
        pos += 2;
    }
    pos = Align4(pos + 2);
    const std::size_t valueBytes = n.text ? valueLength * 2 : valueLength;
    if (pos + valueBytes <= length) n.value.assign(p + pos, p + pos + valueBytes);
    pos = Align4(pos + valueBytes);
    while (pos + 6 <= length && pos < avail) {
        const std::size_t childLength = p[pos] | (p[pos + 1] << 8);
        if (childLength == 0) break;
        n.children.push_back(ParseNode(p + pos, length - pos));
        pos = Align4(pos + childLength);
    }
    return n;
}

const Node* Child(const Node& n, const std::u16string& key) {
    for (const Node& c : n.children)
        if (c.key == key) return &c;
    return nullptr;
}

std::u16string Text(const Node& n) {
    std::u16string s;
    for (std::size_t i = 0; i + 1 < n.value.size(); i += 2)
        s.push_back(static_cast<char16_t>(n.value[i] | (n.value[i + 1] << 8)));
    while (!s.empty() && s.back() == u'\0') s.pop_back();
    return s;
}

std::string AnsiValue(const std::vector<unsigned char>& block, const char* key) {
    void* value = nullptr;
    plat::UINT length = 0;
    const std::string sub = std::string("\\StringFileInfo\\080404b0\\") + key;
    std::vector<unsigned char> copy = block;  // VerQueryValueA may write converted text into it
    if (!plat::VerQueryValueA(copy.data(), sub.c_str(), &value, &length) || !value) return "<absent>";
    return std::string(static_cast<const char*>(value));
}

TEST(ProgramVersion, StringsMadeFromEachBuiltVariant) {
    REQUIRE_PROGRAM(main, "TQ_EXE");
    REQUIRE_PROGRAM(v5001, "TQ_EXE_5001");
    REQUIRE_PROGRAM(none, "TQ_EXE_NOVERSION");
    CAutoUpdater updater;

    EXPECT_EQ("5.0", StdString(updater.GetFileVersionString(main.c_str())));
    EXPECT_EQ("5.0.0.0", StdString(GetInstalledVersionOf(main.c_str())));
    EXPECT_EQ("5.0.0.1", StdString(updater.GetFileVersionString(v5001.c_str())));
    EXPECT_EQ("5.0.0.1", StdString(GetInstalledVersionOf(v5001.c_str())));
    EXPECT_EQ("", StdString(updater.GetFileVersionString(none.c_str())));
    EXPECT_EQ("", StdString(GetInstalledVersionOf(none.c_str())));
    EXPECT_EQ("", StdString(updater.GetFileVersionString("C:\\no\\such\\tarnquill.exe")));
    EXPECT_EQ("", StdString(GetInstalledVersionOf("C:\\no\\such\\tarnquill.exe")));
}

TEST(ProgramVersion, ResourceOneInChineseAndNoneInTheUnversionedBuild) {
    REQUIRE_PROGRAM(main, "TQ_EXE");
    REQUIRE_PROGRAM(none, "TQ_EXE_NOVERSION");
    HMODULE image = ::LoadLibraryExA(main.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, image);
    EXPECT_NE(nullptr, ::FindResourceExW(image, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), 0x0804));
    ::FreeLibrary(image);

    image = ::LoadLibraryExA(none.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(nullptr, ::FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16)));
    ::FreeLibrary(image);
    DWORD handle = 0xdeadbeef;
    EXPECT_EQ(0u, plat::GetFileVersionInfoSizeA(none.c_str(), reinterpret_cast<plat::DWORD*>(&handle)));
}

TEST(ProgramVersion, FixedBlockFields) {
    REQUIRE_PROGRAM(v5001, "TQ_EXE_5001");
    std::vector<unsigned char> block = VersionBlock(v5001);
    ASSERT_FALSE(block.empty());
    void* fixed = nullptr;
    plat::UINT length = 0;
    ASSERT_TRUE(plat::VerQueryValueA(block.data(), "\\", &fixed, &length));
    ASSERT_EQ(sizeof(plat::VS_FIXEDFILEINFO), length);
    const auto* info = static_cast<const plat::VS_FIXEDFILEINFO*>(fixed);
    EXPECT_EQ(0xFEEF04BDu, info->dwSignature);
    EXPECT_EQ(0x00050000u, info->dwFileVersionMS);
    EXPECT_EQ(0x00000001u, info->dwFileVersionLS);
    EXPECT_EQ(info->dwFileVersionMS, info->dwProductVersionMS);
    EXPECT_EQ(info->dwFileVersionLS, info->dwProductVersionLS);
    EXPECT_EQ(0x3Fu, info->dwFileFlagsMask);
    EXPECT_EQ(0u, info->dwFileFlags);
    EXPECT_EQ(4u, info->dwFileOS);
    EXPECT_EQ(1u, info->dwFileType);
    EXPECT_EQ(0u, info->dwFileSubtype);
    EXPECT_EQ(0u, info->dwFileDateMS);
    EXPECT_EQ(0u, info->dwFileDateLS);
}

TEST(ProgramVersion, StringTableKeysInOrderWithTheirUtf16Values) {
    REQUIRE_PROGRAM(main, "TQ_EXE");
    const std::vector<unsigned char> block = VersionBlock(main);
    ASSERT_GE(block.size(), 6u);
    const Node root = ParseNode(block.data(), block.size());
    EXPECT_EQ(u"VS_VERSION_INFO", root.key);
    const Node* strings = Child(root, u"StringFileInfo");
    ASSERT_NE(nullptr, strings);
    ASSERT_EQ(1u, strings->children.size());
    const Node& table = strings->children[0];
    EXPECT_EQ(u"080404b0", table.key);

    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"Comments", u""},
        {u"CompanyName", u"www.veltrano.example"},
        {u"FileDescription", u"Veltrano，免费快速"},
        {u"FileVersion", u"5, 0, 0, 0"},
        {u"InternalName", u"Veltrano，免费快速"},
        {u"LegalCopyright", u"版权所有 (C) Veltrano"},
        {u"LegalTrademarks", u""},
        {u"OriginalFilename", u"tarnquill.exe"},
        {u"PrivateBuild", u""},
        {u"ProductName", u"Veltrano"},
        {u"ProductVersion", u"5, 0, 0, 0"},
        {u"SpecialBuild", u""},
    };
    ASSERT_EQ(expected.size(), table.children.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, table.children[i].key) << "entry " << i;
        EXPECT_EQ(expected[i].second, Text(table.children[i])) << "entry " << i;
    }

    const Node* vars = Child(root, u"VarFileInfo");
    ASSERT_NE(nullptr, vars);
    const Node* translation = Child(*vars, u"Translation");
    ASSERT_NE(nullptr, translation);
    const std::vector<unsigned char> pair = {0x04, 0x08, 0xB0, 0x04};  // 0x0804, 1200
    EXPECT_EQ(pair, translation->value);
}

TEST(ProgramVersion, AnsiQueriesGiveCodePage936Text) {
    REQUIRE_PROGRAM(v5001, "TQ_EXE_5001");
    std::vector<unsigned char> block;
    DWORD handle = 0;
    block.resize(plat::GetFileVersionInfoSizeA(v5001.c_str(), reinterpret_cast<plat::DWORD*>(&handle)));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(plat::GetFileVersionInfoA(v5001.c_str(), 0, static_cast<plat::DWORD>(block.size()), block.data()));
    EXPECT_EQ("Veltrano，免费快速", AnsiValue(block, "FileDescription"));
    EXPECT_EQ("5, 0, 0, 1", AnsiValue(block, "FileVersion"));
    EXPECT_EQ("5, 0, 0, 1", AnsiValue(block, "ProductVersion"));
    EXPECT_EQ("tarnquill.exe", AnsiValue(block, "OriginalFilename"));
    EXPECT_EQ("www.veltrano.example", AnsiValue(block, "CompanyName"));
    EXPECT_EQ("<absent>", AnsiValue(block, "NoSuchKey"));
}

}  // namespace
