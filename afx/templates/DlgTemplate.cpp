#include "afx/templates/DlgTemplate.h"

#include <cstring>

namespace afx {
namespace {

constexpr std::uint32_t kDsSetFont = 0x40;

// Bounds-checked little-endian reader over the template bytes.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Ok() const { return m_ok; }
    std::size_t Pos() const { return m_pos; }

    std::uint16_t Word() {
        if (!Need(2)) return 0;
        std::uint16_t v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::uint32_t Dword() {
        std::uint32_t lo = Word();
        std::uint32_t hi = Word();
        return lo | (hi << 16);
    }
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    void Skip(std::size_t n) {
        if (Need(n)) m_pos += n;
    }
    void AlignDword() {
        std::size_t pad = (4 - (m_pos & 3)) & 3;
        if (m_pos + pad > m_size) pad = m_size - m_pos;  // trailing pad may be cut off
        m_pos += pad;
    }
    // A zero-terminated UTF-16 string; one that cannot be held fails the read.
    void String(Text16& s) {
        s.clear();
        for (;;) {
            std::uint16_t c = Word();
            if (!m_ok || c == 0) return;
            if (!s.push_back(static_cast<char16_t>(c))) m_ok = false;
        }
    }
    void SkipString() {
        while (Word() != 0 && m_ok) {
        }
    }
    // sz_Or_Ord: nothing, 0xFFFF + ordinal, or a string.
    void StringOrOrdinal(Text16& text, std::uint16_t& ordinal) {
        text.clear();
        ordinal = 0;
        if (!Need(2)) return;
        std::uint16_t first = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        if (first == 0) { m_pos += 2; return; }
        if (first == 0xFFFF) { m_pos += 2; ordinal = Word(); return; }
        String(text);
    }

private:
    bool Need(std::size_t n) {
        if (!m_ok || n > m_size - m_pos) { m_ok = false; return false; }
        return true;
    }
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

void PutWord(Array<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

bool PadToDword(Array<std::uint8_t>& out) {
    return out.Resize((out.size() + 3) & ~static_cast<std::size_t>(3));
}

// Reads one item at the reader's (aligned) position.
bool ReadItem(Reader& r, bool extended, DlgItemInfo& item) {
    if (extended) {
        r.Dword();  // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
    } else {
        item.style = r.Dword();
        item.exStyle = r.Dword();
    }
    item.x = r.Short();
    item.y = r.Short();
    item.cx = r.Short();
    item.cy = r.Short();
    item.id = extended ? r.Dword() : r.Word();
    r.StringOrOrdinal(item.className, item.classOrdinal);
    std::uint16_t titleOrdinal = 0;
    r.StringOrOrdinal(item.title, titleOrdinal);
    std::uint16_t extra = r.Word();
    r.Skip(extra);
    return r.Ok();
}

}  // namespace

bool IsClsidClassName(const Text16& name) {
    Guid g;
    return ParseGuidText(name, g);
}

static int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool ParseGuidText(const char16_t* text, std::size_t length, Guid& out) {
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
    if (!text || length != 38 || text[0] != u'{' || text[37] != u'}') return false;
    std::uint8_t bytes[16];
    int n = 0;
    for (std::size_t i = 1; i < 37;) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != u'-') return false;
            ++i;
            continue;
        }
        int hi = HexValue(text[i]);
        int lo = HexValue(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    out.d1 = (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) | bytes[3];
    out.d2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    out.d3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(out.d4, bytes + 8, 8);
    return true;
}

bool SplitDialogTemplate(const std::uint8_t* data, std::size_t size, SplitTemplate& out) {
    out = SplitTemplate{};
    if (!data) return false;
    Reader r(data, size);
    std::uint16_t ver = r.Word();
    std::uint16_t sig = r.Word();
    out.extended = r.Ok() && ver == 1 && sig == 0xFFFF;
    r = Reader(data, size);

    std::uint32_t style = 0;
    std::size_t countAt = 0;
    if (out.extended) {
        r.Skip(4);   // version, signature
        r.Dword();   // help id
        r.Dword();   // extended style
        style = r.Dword();
    } else {
        style = r.Dword();
        r.Dword();   // extended style
    }
    countAt = r.Pos();
    std::uint16_t count = r.Word();
    r.Skip(8);  // x, y, cx, cy
    Text16 text;
    std::uint16_t ordinal = 0;
    r.StringOrOrdinal(text, ordinal);  // menu
    r.StringOrOrdinal(text, ordinal);  // class
    r.SkipString();                    // title
    if (style & kDsSetFont) {
        r.Word();  // point size
        if (out.extended) r.Skip(4);  // weight, italic, charset
        r.SkipString();
    }
    if (!r.Ok()) return false;
    std::size_t headerEnd = r.Pos();
    if (!out.bytes.Append(data, data + headerEnd)) return false;

    std::uint16_t keptCount = 0;
    for (std::size_t i = 0; i < count; ++i) {
        r.AlignDword();
        std::size_t start = r.Pos();
        DlgItemInfo item;
        item.index = i;
        if (!ReadItem(r, out.extended, item)) return false;
        if (item.classOrdinal == 0 && IsClsidClassName(item.className)) {
            if (!out.activeX.push_back(std::move(item))) return false;
            continue;
        }
        if (!PadToDword(out.bytes) || !out.bytes.Append(data + start, data + r.Pos())) return false;
        if (!out.kept.push_back(std::move(item))) return false;
        ++keptCount;
    }
    PutWord(out.bytes, countAt, keptCount);
    return PadToDword(out.bytes);
}

}  // namespace afx
