#include "update/ImageHeaders.h"

namespace {

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr unsigned kMaxSections = 96;  // the loader's own limit
// Where the data directories begin in the optional header: PE32+ has
// 64-bit fields before them.
constexpr unsigned kDirectoriesPe32 = 96;
constexpr unsigned kDirectoriesPe32Plus = 112;
constexpr unsigned kDirectoryEntrySize = 8;

}  // namespace

bool ImageHeaders::Read(const unsigned char* head, std::size_t headLength) {
    if (headLength < kDosHeaderSize || head[0] != 'M' || head[1] != 'Z') return false;
    const std::uint64_t peOffset = Dword(head + 0x3C);
    if (peOffset < 4 || peOffset + 4 + kFileHeaderSize > headLength) return false;
    const unsigned char* pe = head + peOffset;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return false;

    m_fileHeader = pe + 4;
    m_sectionCount = Word(m_fileHeader + 2);
    m_optionalSize = Word(m_fileHeader + 16);
    if (m_sectionCount == 0 || m_sectionCount > kMaxSections || m_optionalSize < 2) return false;
    const std::uint64_t optionalOffset = peOffset + 4 + kFileHeaderSize;
    const std::uint64_t tableOffset = optionalOffset + m_optionalSize;
    if (tableOffset + std::uint64_t{m_sectionCount} * kSectionHeaderSize > headLength) return false;
    m_optional = head + optionalOffset;
    m_sectionTable = head + tableOffset;
    return Magic() == kOptionalMagicPe32 || Magic() == kOptionalMagicPe32Plus;
}

ImageSection ImageHeaders::Section(unsigned i) const {
    const unsigned char* s = m_sectionTable + i * kSectionHeaderSize;
    return {Dword(s + 8), Dword(s + 12), Dword(s + 16), Dword(s + 20)};
}

bool ImageHeaders::DirectoryAddress(unsigned entry, std::uint32_t* address) const {
    const unsigned directories = Magic() == kOptionalMagicPe32Plus ? kDirectoriesPe32Plus : kDirectoriesPe32;
    if (m_optionalSize < directories + (entry + 1) * kDirectoryEntrySize) return false;
    if (Dword(m_optional + directories - 4) <= entry) return false;  // NumberOfRvaAndSizes
    *address = Dword(m_optional + directories + std::size_t{entry} * kDirectoryEntrySize);
    return true;
}

bool ImageHeaders::OffsetOf(std::uint32_t address, std::uint64_t* offset) const {
    for (unsigned i = 0; i < m_sectionCount; ++i) {
        const ImageSection s = Section(i);
        const std::uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        // A section covers [address, address + extent): the next one often
        // begins exactly where it ends.
        if (address < s.address || address - s.address >= extent) continue;
        *offset = std::uint64_t{s.rawOffset} + (address - s.address);
        return true;
    }
    return false;
}
