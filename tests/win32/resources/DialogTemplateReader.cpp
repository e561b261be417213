#include "DialogTemplateReader.h"

#include <cstring>

namespace {

class Cursor {
public:
    Cursor(const void* data, std::size_t size) : p_(static_cast<const unsigned char*>(data)), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t offset() const { return off_; }

    template <typename T>
    T Get() {
        T v{};
        if (off_ + sizeof(T) > size_) {
            ok_ = false;
            return v;
        }
        std::memcpy(&v, p_ + off_, sizeof(T));
        off_ += sizeof(T);
        return v;
    }

    std::u16string String() {
        std::u16string s;
        for (char16_t c = Get<char16_t>(); ok_ && c != 0; c = Get<char16_t>()) s += c;
        return s;
    }

    SzOrOrd NameOrOrdinal() {
        SzOrOrd v;
        char16_t first = Get<char16_t>();
        if (first == 0) return v;
        if (first == 0xFFFF) {
            v.isOrdinal = true;
            v.ordinal = Get<std::uint16_t>();
            return v;
        }
        v.text = first;
        v.text += String();
        return v;
    }

    void AlignDword() { off_ = (off_ + 3) & ~std::size_t{3}; }
    void Skip(std::size_t n) {
        if (off_ + n > size_) ok_ = false;
        off_ += n;
    }

private:
    const unsigned char* p_;
    std::size_t size_;
    std::size_t off_ = 0;
    bool ok_ = true;
};

DialogItem ReadItem(Cursor& c, bool extended) {
    DialogItem item;
    c.AlignDword();
    if (extended) {
        item.helpId = c.Get<std::uint32_t>();
        item.exStyle = c.Get<std::uint32_t>();
        item.style = c.Get<std::uint32_t>();
    } else {
        item.style = c.Get<std::uint32_t>();
        item.exStyle = c.Get<std::uint32_t>();
    }
    item.x = c.Get<std::int16_t>();
    item.y = c.Get<std::int16_t>();
    item.cx = c.Get<std::int16_t>();
    item.cy = c.Get<std::int16_t>();
    item.id = extended ? c.Get<std::int32_t>() : c.Get<std::int16_t>();
    item.windowClass = c.NameOrOrdinal();
    item.title = c.NameOrOrdinal();
    item.extraCount = c.Get<std::uint16_t>();
    c.Skip(item.extraCount);
    return item;
}

}  // namespace

bool ReadDialogTemplate(const void* data, std::size_t size, DialogTemplate& out) {
    Cursor c(data, size);
    out = DialogTemplate{};
    std::uint16_t first = c.Get<std::uint16_t>();
    std::uint16_t second = c.Get<std::uint16_t>();
    out.extended = first == 1 && second == 0xFFFF;
    if (out.extended) {
        out.version = first;
        out.signature = second;
        out.helpId = c.Get<std::uint32_t>();
        out.exStyle = c.Get<std::uint32_t>();
        out.style = c.Get<std::uint32_t>();
    } else {
        out.style = static_cast<std::uint32_t>(first) | (static_cast<std::uint32_t>(second) << 16);
        out.exStyle = c.Get<std::uint32_t>();
    }
    std::uint16_t count = c.Get<std::uint16_t>();
    out.x = c.Get<std::int16_t>();
    out.y = c.Get<std::int16_t>();
    out.cx = c.Get<std::int16_t>();
    out.cy = c.Get<std::int16_t>();
    out.menu = c.NameOrOrdinal();
    out.windowClass = c.NameOrOrdinal();
    out.caption = c.String();
    const std::uint32_t DS_SETFONT = 0x40;
    if (out.style & DS_SETFONT) {
        out.pointSize = c.Get<std::uint16_t>();
        if (out.extended) {
            out.weight = c.Get<std::uint16_t>();
            out.italic = c.Get<std::uint8_t>();
            out.charset = c.Get<std::uint8_t>();
        }
        out.typeface = c.String();
    }
    for (std::uint16_t i = 0; i < count && c.ok(); ++i) out.items.push_back(ReadItem(c, out.extended));
    out.bytesRead = c.offset();
    return c.ok();
}
