#include "afx/templates/DlgInit.h"
#include "afx/templates/DlgTemplate.h"
#include "tests/win32/framework/TemplateBytes.h"

#include "AddressSpaceLimit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using afx::SplitTemplate;
using tq_test::ItemBytes;
using tq_test::TemplateWriter;

namespace {

std::u16string U16(const afx::Text16& text) { return std::u16string(text.begin(), text.end()); }
std::vector<std::uint8_t> Bytes(const Array<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::vector<ItemBytes> MixedItems() {
    ItemBytes ok;
    ok.id = 1;
    ok.classOrdinal = 0x0080;
    ok.title = u"OK";
    ok.x = 5; ok.y = 6; ok.cx = 50; ok.cy = 14;
    ItemBytes browser;
    browser.id = 1000;
    browser.className = tq_test::kWebBrowserClass;
    browser.style = 0x50000000;
    browser.x = 0; browser.y = 0; browser.cx = 537; browser.cy = 421;
    ItemBytes label;
    label.id = 0xFFFF;
    label.classOrdinal = 0x0082;
    label.title = u"版本";
    label.creationData = {1, 2, 3};  // odd length: the next item needs padding
    label.x = -3; label.y = 7; label.cx = 20; label.cy = 8;
    ItemBytes custom;
    custom.id = 1001;
    custom.className = u"{not a clsid}";
    return {ok, browser, label, custom};
}

class SplitTest : public ::testing::TestWithParam<bool> {};

// A control whose title cannot be held (the process may map only a little
// more than it has) makes the template unusable, as a malformed one, rather
// than a control with a cut title; the same template reads once memory is
// there.
TEST(SplitDeathTest, ATemplateThatCannotBeHeldIsRejected) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::vector<ItemBytes> items = MixedItems();
            items[1].title.assign(8u << 20, u'x');  // the ActiveX item: its bytes are not copied
            const std::vector<std::uint8_t> bytes = TemplateWriter(false).Build(0x80C80080, u"x", items);
            const rlim_t before = LimitAddressSpace(4u << 20);
            SplitTemplate split;
            const bool rejected = !afx::SplitDialogTemplate(bytes.data(), bytes.size(), split);
            RestoreAddressSpace(before);
            const bool readsLater = afx::SplitDialogTemplate(bytes.data(), bytes.size(), split) &&
                                    split.activeX[0].title.size() == (8u << 20);
            std::exit(rejected && readsLater ? 42 : 1);
        },
        ::testing::ExitedWithCode(42), "");
}

TEST_P(SplitTest, TakesOutClsidItemsAndKeepsTheOthersIntact) {
    bool extended = GetParam();
    std::vector<std::uint8_t> bytes = TemplateWriter(extended).Build(0x90CB00C0, u"Veltrano", MixedItems());
    SplitTemplate split;
    ASSERT_TRUE(afx::SplitDialogTemplate(bytes.data(), bytes.size(), split));
    EXPECT_EQ(extended, split.extended);

    ASSERT_EQ(1u, split.activeX.size());
    const afx::DlgItemInfo& b = split.activeX[0];
    EXPECT_EQ(1000u, b.id);
    EXPECT_EQ(1u, b.index);
    EXPECT_EQ(0x50000000u, b.style);
    EXPECT_EQ(537, b.cx);
    EXPECT_EQ(421, b.cy);
    EXPECT_EQ(std::u16string(tq_test::kWebBrowserClass), U16(b.className));

    ASSERT_EQ(3u, split.kept.size());
    EXPECT_EQ(1u, split.kept[0].id);
    EXPECT_EQ(0xFFFFu, split.kept[1].id);
    EXPECT_EQ(2u, split.kept[1].index);
    EXPECT_EQ(-3, split.kept[1].x);
    EXPECT_EQ(u"版本", U16(split.kept[1].title));
    EXPECT_EQ(1001u, split.kept[2].id);

    // The copy is itself a well-formed template holding exactly the kept items.
    ASSERT_EQ(0u, split.bytes.size() % 4);
    SplitTemplate again;
    ASSERT_TRUE(afx::SplitDialogTemplate(split.bytes.data(), split.bytes.size(), again));
    EXPECT_TRUE(again.activeX.empty());
    ASSERT_EQ(3u, again.kept.size());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(split.kept[i].id, again.kept[i].id);
        EXPECT_EQ(split.kept[i].x, again.kept[i].x);
        EXPECT_EQ(split.kept[i].cy, again.kept[i].cy);
        EXPECT_EQ(split.kept[i].title, again.kept[i].title);
        EXPECT_EQ(split.kept[i].className, again.kept[i].className);
        EXPECT_EQ(i, again.kept[i].index);
    }
}

TEST_P(SplitTest, TemplateWithoutActiveXComesBackUnchanged) {
    std::vector<ItemBytes> items = MixedItems();
    items.erase(items.begin() + 1);
    std::vector<std::uint8_t> bytes = TemplateWriter(GetParam()).Build(0x80C80080, u"关于", items);
    SplitTemplate split;
    ASSERT_TRUE(afx::SplitDialogTemplate(bytes.data(), bytes.size(), split));
    while (bytes.size() % 4) bytes.push_back(0);
    EXPECT_EQ(bytes, Bytes(split.bytes));
}

TEST_P(SplitTest, EveryTruncationIsRejected) {
    std::vector<std::uint8_t> bytes = TemplateWriter(GetParam()).Build(0x80C80080, u"x", MixedItems());
    // The last item's creation data ends the template: any shorter prefix
    // cuts into a field.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SplitTemplate split;
        EXPECT_FALSE(afx::SplitDialogTemplate(bytes.data(), n, split)) << "length " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(ClassicAndExtended, SplitTest, ::testing::Values(false, true));

TEST(SplitTemplate, ItemCountBeyondTheDataIsRejected) {
    std::vector<std::uint8_t> bytes = TemplateWriter(true).Build(0x80C80080, u"x", MixedItems());
    bytes[16] = 200;  // cDlgItems of the extended header
    SplitTemplate split;
    EXPECT_FALSE(afx::SplitDialogTemplate(bytes.data(), bytes.size(), split));
    EXPECT_FALSE(afx::SplitDialogTemplate(nullptr, 0, split));
}

TEST(GuidText, ParsesBothCasesAndRejectsNearMisses) {
    afx::Guid g;
    ASSERT_TRUE(afx::ParseGuidText(u"{8856F961-340A-11D0-A96B-00C04FD705A2}", g));
    EXPECT_EQ(0x8856F961u, g.d1);
    EXPECT_EQ(0x340Au, g.d2);
    EXPECT_EQ(0x11D0u, g.d3);
    EXPECT_EQ(0xA9, g.d4[0]);
    EXPECT_EQ(0x6B, g.d4[1]);
    EXPECT_EQ(0xA2, g.d4[7]);
    afx::Guid lower;
    ASSERT_TRUE(afx::ParseGuidText(u"{8856f961-340a-11d0-a96b-00c04fd705a2}", lower));
    EXPECT_EQ(0, std::memcmp(&g, &lower, sizeof(g)));

    EXPECT_FALSE(afx::ParseGuidText(u"8856F961-340A-11D0-A96B-00C04FD705A2", g));
    EXPECT_FALSE(afx::ParseGuidText(u"{8856F961-340A-11D0-A96B-00C04FD705A}", g));
    EXPECT_FALSE(afx::ParseGuidText(u"{8856F961-340A-11D0-A96B-00C04FD705AG}", g));
    EXPECT_FALSE(afx::ParseGuidText(u"{8856F961+340A-11D0-A96B-00C04FD705A2}", g));
    EXPECT_FALSE(afx::ParseGuidText(u"", g));
}

std::vector<std::uint8_t> TwoRecords() {
    std::vector<std::uint8_t> d;
    tq_test::AppendDlgInit(d, 1000, afx::kOccLoadFromStream, std::vector<std::uint8_t>(160, 0xAB));
    tq_test::AppendDlgInit(d, 1001, 0x0403, {'a', 'b', 0});
    d.push_back(0);
    d.push_back(0);
    return d;
}

TEST(DlgInit, ReadsRecordsUpToTheTerminator) {
    std::vector<std::uint8_t> d = TwoRecords();
    d.push_back(0x55);  // after the terminator: not looked at
    Array<afx::DlgInitRecord> recs;
    ASSERT_TRUE(afx::ParseDlgInit(d.data(), d.size(), recs));
    ASSERT_EQ(2u, recs.size());
    EXPECT_EQ(1000, recs[0].id);
    EXPECT_EQ(0x0376, recs[0].message);
    EXPECT_EQ(160u, recs[0].length);
    EXPECT_EQ(8u, recs[0].offset);
    EXPECT_EQ(0xAB, d[recs[0].offset + 159]);
    EXPECT_EQ(1001, recs[1].id);
    EXPECT_EQ(176u, recs[1].offset);
    EXPECT_EQ(3u, recs[1].length);
    EXPECT_EQ(&recs[1], afx::FindDlgInit(recs, 1001));
    EXPECT_EQ(nullptr, afx::FindDlgInit(recs, 1002));
}

TEST(DlgInit, MissingTerminatorIsAcceptedButCutRecordsAreNot) {
    std::vector<std::uint8_t> d = TwoRecords();
    Array<afx::DlgInitRecord> recs;
    ASSERT_TRUE(afx::ParseDlgInit(d.data(), d.size() - 2, recs));
    EXPECT_EQ(2u, recs.size());

    // Cut inside the second record's data: the first is still returned.
    ASSERT_FALSE(afx::ParseDlgInit(d.data(), d.size() - 3, recs));
    EXPECT_EQ(1u, recs.size());
    // Cut inside the first header.
    EXPECT_FALSE(afx::ParseDlgInit(d.data(), 5, recs));
    EXPECT_TRUE(recs.empty());

    // A length that would wrap past the end.
    std::vector<std::uint8_t> huge = {0xE8, 0x03, 0x76, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2};
    EXPECT_FALSE(afx::ParseDlgInit(huge.data(), huge.size(), recs));
    EXPECT_TRUE(afx::ParseDlgInit(nullptr, 0, recs));
}

}  // namespace
