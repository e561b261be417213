#include "afx/templates/DlgInit.h"

namespace afx {

bool ParseDlgInit(const std::uint8_t* data, std::size_t size, Array<DlgInitRecord>& out) {
    out.clear();
    if (!data) return size == 0;
    std::size_t pos = 0;
    auto word = [&](std::size_t at) { return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8)); };
    while (pos + 2 <= size) {
        std::uint16_t id = word(pos);
        if (id == 0) return true;
        if (size - pos < 8) return false;
        DlgInitRecord rec;
        rec.id = id;
        rec.message = word(pos + 2);
        rec.length = static_cast<std::uint32_t>(word(pos + 4)) | (static_cast<std::uint32_t>(word(pos + 6)) << 16);
        rec.offset = pos + 8;
        if (rec.length > size - rec.offset) return false;
        if (!out.push_back(rec)) return false;
        pos = rec.offset + rec.length;
    }
    return pos == size;  // a single stray byte is malformed
}

const DlgInitRecord* FindDlgInit(const Array<DlgInitRecord>& records, std::uint32_t id) {
    for (const DlgInitRecord& r : records)
        if (r.id == id) return &r;
    return nullptr;
}

}  // namespace afx
