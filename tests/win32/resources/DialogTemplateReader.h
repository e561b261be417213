// Reads dialog templates (classic and extended) out of resource bytes, so
// that tests can compare them field by field.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A name or ordinal field of a template: ordinal when isOrdinal, else text.
struct SzOrOrd {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string text;
};

struct DialogItem {
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::int32_t id = 0;
    SzOrOrd windowClass;
    SzOrOrd title;
    std::uint16_t extraCount = 0;
};

struct DialogTemplate {
    bool extended = false;
    std::uint16_t version = 0;    // extended only
    std::uint16_t signature = 0;  // extended only
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    SzOrOrd menu;
    SzOrOrd windowClass;
    std::u16string caption;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 0;
    std::u16string typeface;
    std::vector<DialogItem> items;
    std::size_t bytesRead = 0;  // where parsing stopped, to catch trailing junk
};

// False when the bytes end before the template does.
bool ReadDialogTemplate(const void* data, std::size_t size, DialogTemplate& out);
