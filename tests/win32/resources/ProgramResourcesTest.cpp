// The built program's resources, read back from the executable with the
// system's resource functions and compared field by field.
#include "BuildConfig.h"
#include "DialogTemplateReader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const WORD kChinesePrc = 0x0804;
const WORD kDlgInit = 240;

std::string ResName(LPSTR name) {
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
    return name;
}

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR param) {
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(lang);
    return TRUE;
}

struct Listing {
    HMODULE module = nullptr;
    // type -> name -> languages
    std::map<std::string, std::map<std::string, std::vector<WORD>>> entries;
};

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    auto* listing = reinterpret_cast<Listing*>(param);
    std::vector<WORD>& langs = listing->entries[ResName(const_cast<LPSTR>(type))][ResName(name)];
    EnumResourceLanguagesA(module, type, name, OnLanguage, reinterpret_cast<LONG_PTR>(&langs));
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR param) {
    auto* listing = reinterpret_cast<Listing*>(param);
    listing->entries[ResName(type)];
    EnumResourceNamesA(module, type, OnName, param);
    return TRUE;
}

// The build's program, as Wine sees the Unix file system (drive Z:).
std::string ProgramPath() {
    std::string path = "Z:" + std::string(TQ_PROGRAM_UNIX_PATH);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

class ProgramResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << ProgramPath(); }

    // The resource's bytes in language 0x0804; empty when it is missing.
    static std::string Bytes(LPCSTR type, WORD id) {
        HRSRC found = FindResourceExA(module_, type, MAKEINTRESOURCEA(id), kChinesePrc);
        if (!found) return std::string();
        HGLOBAL loaded = LoadResource(module_, found);
        const void* p = LockResource(loaded);
        return std::string(static_cast<const char*>(p), SizeofResource(module_, found));
    }

    static DialogTemplate Dialog(WORD id) {
        std::string bytes = Bytes(MAKEINTRESOURCEA(5), id);
        DialogTemplate t;
        EXPECT_TRUE(ReadDialogTemplate(bytes.data(), bytes.size(), t)) << "dialog " << id;
        EXPECT_LE(bytes.size() - t.bytesRead, 3u) << "dialog " << id << " has trailing bytes";
        return t;
    }

    static HMODULE module_;
};

HMODULE ProgramResources::module_ = nullptr;

void ExpectOrdinal(const SzOrOrd& v, std::uint16_t ordinal, const char* what) {
    EXPECT_TRUE(v.isOrdinal) << what;
    EXPECT_EQ(v.ordinal, ordinal) << what;
}

void ExpectText(const SzOrOrd& v, const std::u16string& text, const char* what) {
    EXPECT_FALSE(v.isOrdinal) << what;
    EXPECT_TRUE(v.text == text) << what;
}

void ExpectGeometry(const DialogItem& item, int x, int y, int cx, int cy) {
    EXPECT_EQ(item.x, x);
    EXPECT_EQ(item.y, y);
    EXPECT_EQ(item.cx, cx);
    EXPECT_EQ(item.cy, cy);
}

TEST_F(ProgramResources, HoldOnlyTheProgramsOwnTypesNamesAndLanguage) {
    Listing listing;
    listing.module = module_;
    EnumResourceTypesA(module_, OnType, reinterpret_cast<LONG_PTR>(&listing));

    std::map<std::string, std::set<std::string>> expected = {
        {"#3", {"#1", "#2"}},          // icon images
        {"#5", {"#100", "#102"}},      // dialogs
        {"#6", {"#7"}},                // the string block of 96..111
        {"#14", {"#128", "#129"}},     // icon groups
        {"#16", {"#1"}},               // version information
        {"#240", {"#102"}},            // dialog-initialisation data
    };
    std::map<std::string, std::set<std::string>> actual;
    for (const auto& [type, names] : listing.entries)
        for (const auto& [name, langs] : names) {
            actual[type].insert(name);
            EXPECT_EQ(langs, std::vector<WORD>{kChinesePrc}) << type << "/" << name;
        }
    EXPECT_EQ(actual, expected);  // no manifest (24), menu, accelerator, bitmap, cursor...
}

TEST_F(ProgramResources, MainDialogTemplate) {
    DialogTemplate t = Dialog(102);
    EXPECT_TRUE(t.extended);
    EXPECT_EQ(t.version, 1);
    EXPECT_EQ(t.signature, 0xFFFF);
    EXPECT_EQ(t.helpId, 0u);
    EXPECT_EQ(t.style, 0x90CB00C0u);
    EXPECT_EQ(t.exStyle, 0x00040010u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 537);
    EXPECT_EQ(t.cy, 421);
    ExpectText(t.menu, u"", "menu");
    ExpectText(t.windowClass, u"", "class");
    std::u16string caption = u"Veltrano ";
    for (const char* p = TQ_HOST; *p; ++p) caption += static_cast<char16_t>(*p);  // ASCII host
    EXPECT_TRUE(t.caption == caption);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);
    EXPECT_TRUE(t.typeface == u"宋体");

    ASSERT_EQ(t.items.size(), 1u);
    const DialogItem& browser = t.items[0];
    EXPECT_EQ(browser.id, 1000);
    ExpectText(browser.windowClass, u"{8856F961-340A-11D0-A96B-00C04FD705A2}", "browser class");
    ExpectText(browser.title, u"", "browser text");
    EXPECT_EQ(browser.style, 0x50000000u);
    EXPECT_EQ(browser.exStyle, 0u);
    EXPECT_EQ(browser.helpId, 0u);
    ExpectGeometry(browser, 0, 0, 537, 421);
    EXPECT_EQ(browser.extraCount, 0);
}

TEST_F(ProgramResources, AboutBoxTemplate) {
    DialogTemplate t = Dialog(100);
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.style, 0x80C800C0u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 235);
    EXPECT_EQ(t.cy, 55);
    ExpectText(t.menu, u"", "menu");
    ExpectText(t.windowClass, u"", "class");
    EXPECT_TRUE(t.caption == u"关于 Brimwold");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_TRUE(t.typeface == u"宋体");

    ASSERT_EQ(t.items.size(), 4u);
    const std::uint16_t kStatic = 0x0082, kButton = 0x0080;

    const DialogItem& icon = t.items[0];
    EXPECT_EQ(icon.id, -1);
    ExpectOrdinal(icon.windowClass, kStatic, "icon class");
    ExpectOrdinal(icon.title, 128, "icon resource");
    EXPECT_EQ(icon.style, 0x50000003u);
    ExpectGeometry(icon, 11, 17, 20, 20);

    const DialogItem& name = t.items[1];
    EXPECT_EQ(name.id, -1);
    ExpectOrdinal(name.windowClass, kStatic, "name class");
    ExpectText(name.title, u"Brimwold", "name");
    EXPECT_EQ(name.style, 0x50020080u);
    ExpectGeometry(name, 40, 10, 119, 8);

    const DialogItem& notice = t.items[2];
    EXPECT_EQ(notice.id, -1);
    ExpectOrdinal(notice.windowClass, kStatic, "notice class");
    EXPECT_FALSE(notice.title.isOrdinal);
    EXPECT_FALSE(notice.title.text.empty());
    EXPECT_EQ(notice.title.text.find(u"5.0"), std::u16string::npos) << "the About box shows no version";
    EXPECT_EQ(notice.style, 0x50020000u);
    ExpectGeometry(notice, 40, 25, 166, 8);

    const DialogItem& ok = t.items[3];
    EXPECT_EQ(ok.id, IDOK);
    ExpectOrdinal(ok.windowClass, kButton, "OK class");
    ExpectText(ok.title, u"确定", "OK text");
    EXPECT_EQ(ok.style, 0x50030001u);
    ExpectGeometry(ok, 178, 7, 50, 14);

    for (const DialogItem& item : t.items) {
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.extraCount, 0);
    }
}

TEST_F(ProgramResources, StringBlockHoldsOnlyTheAboutItem) {
    std::string block = Bytes(MAKEINTRESOURCEA(6), 7);
    std::vector<std::u16string> strings;
    std::size_t off = 0;
    while (off + 2 <= block.size()) {
        WORD len;
        std::memcpy(&len, block.data() + off, 2);
        off += 2;
        std::u16string s(len, u'\0');
        if (off + 2u * len > block.size()) break;
        std::memcpy(&s[0], block.data() + off, 2u * len);
        off += 2u * len;
        strings.push_back(s);
    }
    ASSERT_EQ(strings.size(), 16u);
    for (std::size_t i = 0; i < strings.size(); ++i) {
        if (i == 101 - 96)
            EXPECT_TRUE(strings[i] == u"关于 Brimwold(&A)...");
        else
            EXPECT_TRUE(strings[i].empty()) << "string " << 96 + i;
    }

    // The framework's string loading gives the same text in code page 936.
    char text[64] = {};
    ASSERT_GT(LoadStringA(module_, 101, text, sizeof text), 0);
    EXPECT_STREQ(text, "关于 Brimwold(&A)...");
}

struct IconExpectation {
    WORD group;
    WORD image;
    int size;
    DWORD length;
};

TEST_F(ProgramResources, IconGroupsOfOneThirtyTwoBitImageEach) {
    for (IconExpectation e : {IconExpectation{128, 1, 16, 1128}, IconExpectation{129, 2, 32, 4264}}) {
        SCOPED_TRACE(e.group);
        std::string group = Bytes(MAKEINTRESOURCEA(14), e.group);
        ASSERT_EQ(group.size(), 6u + 14u);
        const auto* g = reinterpret_cast<const unsigned char*>(group.data());
        auto word = [g](int o) { return static_cast<WORD>(g[o] | g[o + 1] << 8); };
        EXPECT_EQ(word(0), 0);  // reserved
        EXPECT_EQ(word(2), 1);  // icons
        EXPECT_EQ(word(4), 1);  // one image
        EXPECT_EQ(g[6], e.size);
        EXPECT_EQ(g[7], e.size);
        EXPECT_EQ(g[8], 0);  // colour count
        EXPECT_EQ(g[9], 0);  // reserved
        EXPECT_EQ(word(10), 1);
        EXPECT_EQ(word(12), 32);
        EXPECT_EQ(static_cast<DWORD>(word(14) | word(16) << 16), e.length);
        EXPECT_EQ(word(18), e.image);

        std::string image = Bytes(MAKEINTRESOURCEA(3), e.image);
        ASSERT_EQ(image.size(), e.length);
        BITMAPINFOHEADER h;
        std::memcpy(&h, image.data(), sizeof h);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, e.size);
        EXPECT_EQ(h.biHeight, 2 * e.size);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 32);
    }
}

TEST_F(ProgramResources, IconsLoadAtTheirSizes) {
    for (IconExpectation e : {IconExpectation{128, 1, 16, 1128}, IconExpectation{129, 2, 32, 4264}}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(module_, MAKEINTRESOURCEA(e.group), IMAGE_ICON, e.size, e.size, 0));
        ASSERT_NE(icon, nullptr) << e.group;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectA(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, e.size);
        EXPECT_EQ(bm.bmHeight, e.size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

// The browser control's stored state, built here from its documented fields.
std::string ExpectedDlgInit() {
    std::string stream(160, '\0');
    auto put32 = [&stream](std::size_t off, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) stream[off + i] = static_cast<char>(v >> (8 * i));
    };
    put32(4, 76);
    put32(8, 21325);
    put32(12, 16722);
    put32(40, 76);
    put32(52, 1);
    const unsigned char largeIcons[16] = {0xE0, 0xD0, 0x57, 0x00, 0x73, 0x35, 0xCF, 0x11,
                                          0xAE, 0x69, 0x08, 0x00, 0x2B, 0x2E, 0x12, 0x62};
    std::memcpy(&stream[56], largeIcons, 16);
    put32(72, 2);
    put32(80, 76);
    const unsigned char shellLink[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    std::memcpy(&stream[84], shellLink, 16);
    put32(100, 0x80);  // link flags: unicode
    put32(140, 1);     // show command
    // Control 1000, loaded from a stream, 160 bytes of data.
    const std::string record("\xE8\x03\x76\x03\xA0\x00\x00\x00", 8);
    return record + stream + std::string(2, '\0');
}

TEST_F(ProgramResources, DialogInitDataIsTheBrowsersStoredStateByteForByte) {
    std::string actual = Bytes(MAKEINTRESOURCEA(kDlgInit), 102);
    std::string expected = ExpectedDlgInit();
    ASSERT_EQ(expected.size(), 170u);
    ASSERT_EQ(actual.size(), 170u);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(static_cast<unsigned char>(actual[i]), static_cast<unsigned char>(expected[i]))
            << "byte " << i;
}

}  // namespace
