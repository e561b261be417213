// The headers and section table of a Windows image, read from the file's
// first bytes: the check of a download and the version reader follow the
// same offsets, so they are read in one place.
#pragma once
#include <cstddef>
#include <cstdint>

// The headers and the section table must lie in the file's first
// kImageHeadSize bytes (the linker puts them in its first few hundred).
constexpr std::size_t kImageHeadSize = 4096;

constexpr std::uint16_t kOptionalMagicPe32 = 0x10B;
constexpr std::uint16_t kOptionalMagicPe32Plus = 0x20B;

struct ImageSection {
    std::uint32_t virtualSize, address, rawSize, rawOffset;
};

class ImageHeaders {
public:
    // Reads the DOS header, the PE signature, the file header, the optional
    // header's magic (PE32 or PE32+) and the section table (1 to 96
    // sections) from the file's first headLength bytes; false when any of
    // them is malformed or lies outside those bytes. head must outlive this.
    bool Read(const unsigned char* head, std::size_t headLength);

    std::uint16_t Machine() const { return Word(m_fileHeader); }
    std::uint16_t Characteristics() const { return Word(m_fileHeader + 18); }
    std::uint16_t Magic() const { return Word(m_optional); }
    unsigned SectionCount() const { return m_sectionCount; }
    ImageSection Section(unsigned i) const;

    // The address of an entry of the data directories; false when the
    // optional header has no such entry.
    bool DirectoryAddress(unsigned entry, std::uint32_t* address) const;
    // The file offset of an address of the loaded image, through the
    // section that holds it; false when none does.
    bool OffsetOf(std::uint32_t address, std::uint64_t* offset) const;

    static std::uint16_t Word(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
    static std::uint32_t Dword(const unsigned char* p) {
        return Word(p) | (static_cast<std::uint32_t>(Word(p + 2)) << 16);
    }

private:
    const unsigned char* m_fileHeader = nullptr;
    const unsigned char* m_optional = nullptr;
    const unsigned char* m_sectionTable = nullptr;
    unsigned m_optionalSize = 0;
    unsigned m_sectionCount = 0;
};
