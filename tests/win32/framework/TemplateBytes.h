// Writes dialog templates byte by byte for the tests, independently of the
// framework's reader.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tq_test {

struct ItemBytes {
    std::uint32_t style = 0x50010000;  // WS_CHILD | WS_VISIBLE | WS_TABSTOP
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 10, cy = 10;
    std::uint32_t id = 0;
    std::u16string className;        // used when classOrdinal is 0
    std::uint16_t classOrdinal = 0;  // 0x0080 button, 0x0081 edit, 0x0082 static
    std::u16string title;
    std::vector<std::uint8_t> creationData;
};

class TemplateWriter {
public:
    explicit TemplateWriter(bool extended, std::uint32_t exStyle = 0) : m_extended(extended), m_exStyle(exStyle) {}

    std::vector<std::uint8_t> Build(std::uint32_t style, const std::u16string& caption,
                                    const std::vector<ItemBytes>& items, std::int16_t cx = 200,
                                    std::int16_t cy = 120) {
        m_out.clear();
        style |= 0x40;  // DS_SETFONT
        if (m_extended) {
            Word(1);
            Word(0xFFFF);
            Dword(0);        // help id
            Dword(m_exStyle);
            Dword(style);
        } else {
            Dword(style);
            Dword(m_exStyle);
        }
        Word(static_cast<std::uint16_t>(items.size()));
        Word(0); Word(0); Word(static_cast<std::uint16_t>(cx)); Word(static_cast<std::uint16_t>(cy));
        Word(0);  // no menu
        Word(0);  // default class
        String(caption);
        Word(9);  // point size
        if (m_extended) {
            Word(400);
            m_out.push_back(0);  // italic
            m_out.push_back(1);  // charset
        }
        String(u"MS Shell Dlg");
        for (const ItemBytes& it : items) Item(it);
        return m_out;
    }

private:
    void Item(const ItemBytes& it) {
        while (m_out.size() % 4) m_out.push_back(0);
        if (m_extended) {
            Dword(0);
            Dword(it.exStyle);
            Dword(it.style);
        } else {
            Dword(it.style);
            Dword(it.exStyle);
        }
        Word(static_cast<std::uint16_t>(it.x)); Word(static_cast<std::uint16_t>(it.y));
        Word(static_cast<std::uint16_t>(it.cx)); Word(static_cast<std::uint16_t>(it.cy));
        if (m_extended) Dword(it.id);
        else Word(static_cast<std::uint16_t>(it.id));
        if (it.classOrdinal) {
            Word(0xFFFF);
            Word(it.classOrdinal);
        } else {
            String(it.className);
        }
        String(it.title);
        Word(static_cast<std::uint16_t>(it.creationData.size()));
        m_out.insert(m_out.end(), it.creationData.begin(), it.creationData.end());
    }
    void Word(std::uint16_t v) {
        m_out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        m_out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Dword(std::uint32_t v) {
        Word(static_cast<std::uint16_t>(v & 0xFFFF));
        Word(static_cast<std::uint16_t>(v >> 16));
    }
    void String(const std::u16string& s) {
        for (char16_t c : s) Word(static_cast<std::uint16_t>(c));
        Word(0);
    }

    bool m_extended;
    std::uint32_t m_exStyle;
    std::vector<std::uint8_t> m_out;
};

// One dialog-initialisation record.
inline void AppendDlgInit(std::vector<std::uint8_t>& out, std::uint16_t id, std::uint16_t msg,
                          const std::vector<std::uint8_t>& data) {
    auto word = [&](std::uint16_t v) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    word(id);
    word(msg);
    word(static_cast<std::uint16_t>(data.size() & 0xFFFF));
    word(static_cast<std::uint16_t>(data.size() >> 16));
    out.insert(out.end(), data.begin(), data.end());
}

constexpr char16_t kWebBrowserClass[] = u"{8856F961-340A-11D0-A96B-00C04FD705A2}";
constexpr char16_t kBogusClass[] = u"{DEADBEEF-0000-4000-8000-00000000BEEF}";

}  // namespace tq_test
