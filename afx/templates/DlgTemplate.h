// Reading dialog templates (classic DLGTEMPLATE and extended DLGTEMPLATEEX)
// and taking the ActiveX items, whose class is a "{CLSID}" string, out of a
// copy. Pure functions over bytes: no window system needed.
#pragma once
#include "base/Array.h"

#include <cstddef>
#include <cstdint>

namespace afx {

// A UTF-16 text of a template, without terminator.
using Text16 = Array<char16_t>;

struct DlgItemInfo {
    std::size_t index = 0;       // position among all items of the template
    std::uint32_t id = 0;        // WORD in classic templates, DWORD in extended ones
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    Text16 className;            // empty when the class is an ordinal
    std::uint16_t classOrdinal = 0;
    Text16 title;
};

struct SplitTemplate {
    bool extended = false;
    Array<std::uint8_t> bytes;        // the template without the ActiveX items
    Array<DlgItemInfo> activeX;       // the items taken out, in template order
    Array<DlgItemInfo> kept;          // the items left in, in template order
};

// False when the bytes are not a well-formed template (truncated, counts or
// strings running past the end), or when the memory for the copy cannot be had. On success out.bytes starts DWORD-aligned
// relative to its own start, as the window manager requires.
bool SplitDialogTemplate(const std::uint8_t* data, std::size_t size, SplitTemplate& out);

// True for a class name of the form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
bool IsClsidClassName(const Text16& name);

struct Guid {
    std::uint32_t d1 = 0;
    std::uint16_t d2 = 0, d3 = 0;
    std::uint8_t d4[8] = {};
};
// Parses "{8856F961-340A-11D0-A96B-00C04FD705A2}" (either case); false otherwise.
bool ParseGuidText(const char16_t* text, std::size_t length, Guid& out);
inline bool ParseGuidText(const Text16& text, Guid& out) { return ParseGuidText(text.data(), text.size(), out); }
inline bool ParseGuidText(const char16_t* zeroTerminated, Guid& out) {
    std::size_t n = 0;
    while (zeroTerminated && zeroTerminated[n]) ++n;
    return ParseGuidText(zeroTerminated, n, out);
}

}  // namespace afx
