// Records of a dialog-initialisation resource (RT_DLGINIT): WORD control id,
// WORD message, DWORD length, then that many bytes; a zero id ends the list.
// Pure function over bytes.
#pragma once
#include "base/Array.h"

#include <cstddef>
#include <cstdint>

namespace afx {

constexpr std::uint16_t kOccLoadFromStream = 0x0376;
constexpr std::uint16_t kOccLoadFromStorage = 0x0377;
constexpr std::uint16_t kOccInitNew = 0x0378;
constexpr std::uint16_t kOccLoadFromStreamEx = 0x037A;
constexpr std::uint16_t kOccLoadFromStorageEx = 0x037B;

struct DlgInitRecord {
    std::uint16_t id = 0;
    std::uint16_t message = 0;
    std::size_t offset = 0;   // of the data within the resource
    std::uint32_t length = 0;
};

// False when a record runs past the end of the data (records before it are
// still returned) or cannot be held. A missing terminator at the very end is
// accepted.
bool ParseDlgInit(const std::uint8_t* data, std::size_t size, Array<DlgInitRecord>& out);

// The record for a control, or nullptr.
const DlgInitRecord* FindDlgInit(const Array<DlgInitRecord>& records, std::uint32_t id);

}  // namespace afx
