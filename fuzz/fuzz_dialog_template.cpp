// Dialog templates, dialog-initialisation data and CLSID texts as read by
// the framework: the ActiveX items are exactly those with a CLSID class,
// every item is either taken out or kept, the template that is left reads
// back to the same kept items with nothing left to take out, and records
// never point outside the resource.
#include "FuzzCheck.h"

#include "afx/templates/DlgInit.h"
#include "afx/templates/DlgTemplate.h"

#include <cctype>
#include <cstdio>

namespace {

bool SameItem(const afx::DlgItemInfo& a, const afx::DlgItemInfo& b) {
    return a.id == b.id && a.style == b.style && a.exStyle == b.exStyle && a.x == b.x &&
           a.y == b.y && a.cx == b.cx && a.cy == b.cy && a.className == b.className &&
           a.classOrdinal == b.classOrdinal && a.title == b.title;
}

void CheckTemplate(const std::uint8_t* data, std::size_t size) {
    afx::SplitTemplate split;
    if (!afx::SplitDialogTemplate(data, size, split)) return;

    FUZZ_CHECK(split.bytes.size() % 4 == 0);
    // Every item is accounted for once, in template order.
    std::size_t next = 0, a = 0, k = 0;
    while (a < split.activeX.size() || k < split.kept.size()) {
        const bool fromActiveX = k == split.kept.size() ||
                                 (a < split.activeX.size() && split.activeX[a].index < split.kept[k].index);
        const afx::DlgItemInfo& item = fromActiveX ? split.activeX[a++] : split.kept[k++];
        FUZZ_CHECK(item.index == next++);
        const bool clsid = item.classOrdinal == 0 && afx::IsClsidClassName(item.className);
        FUZZ_CHECK(clsid == fromActiveX);
    }

    // What is left is a template of its own: the same kept items, no more
    // ActiveX items, and splitting it again changes nothing.
    afx::SplitTemplate again;
    FUZZ_CHECK(afx::SplitDialogTemplate(split.bytes.data(), split.bytes.size(), again));
    FUZZ_CHECK(again.extended == split.extended);
    FUZZ_CHECK(again.activeX.empty());
    FUZZ_CHECK(again.kept.size() == split.kept.size());
    for (std::size_t i = 0; i < again.kept.size(); ++i) FUZZ_CHECK(SameItem(again.kept[i], split.kept[i]));
    FUZZ_CHECK(again.bytes == split.bytes);
}

void CheckDlgInit(const std::uint8_t* data, std::size_t size) {
    Array<afx::DlgInitRecord> records;
    afx::ParseDlgInit(data, size, records);
    std::size_t end = 0;
    for (const afx::DlgInitRecord& r : records) {
        FUZZ_CHECK(r.id != 0);
        FUZZ_CHECK(r.offset >= end + 8 && r.offset <= size && r.length <= size - r.offset);
        end = r.offset + r.length;
        const afx::DlgInitRecord* found = afx::FindDlgInit(records, r.id);
        FUZZ_CHECK(found != nullptr && found->id == r.id && found <= &r);
    }
}

void CheckGuidText(const std::uint8_t* data, std::size_t size) {
    afx::Text16 text;
    for (std::size_t i = 0; i + 1 < size && text.size() < 40; i += 2)
        FUZZ_CHECK(text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8))));
    afx::Guid g;
    const bool parsed = afx::ParseGuidText(text, g);
    FUZZ_CHECK(parsed == afx::IsClsidClassName(text));
    if (!parsed) return;
    // The value prints back to the text it came from, case aside.
    char printed[39];
    std::snprintf(printed, sizeof printed, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.d1), g.d2, g.d3, g.d4[0], g.d4[1], g.d4[2], g.d4[3],
                  g.d4[4], g.d4[5], g.d4[6], g.d4[7]);
    FUZZ_CHECK(text.size() == 38);
    for (std::size_t i = 0; i < 38; ++i)
        FUZZ_CHECK(text[i] < 128 && std::toupper(static_cast<int>(text[i])) == printed[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckTemplate(data, size);
    CheckDlgInit(data, size);
    CheckGuidText(data, size);
    return 0;
}
