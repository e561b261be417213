// Files written and read back through the kernel calls under test, for the
// contract cases' set-up and checks.
#pragma once
#include "platform/Kernel.h"

#include <optional>
#include <string>

namespace contract {

constexpr plat::DWORD kShareAll = plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE;

inline plat::HANDLE OpenForWrite(const std::string& path, plat::DWORD share = kShareAll) {
    return plat::CreateFileA(path.c_str(), plat::GENERIC_WRITE, share, plat::CREATE_ALWAYS,
                             plat::FILE_ATTRIBUTE_NORMAL);
}

inline plat::HANDLE OpenForRead(const std::string& path, plat::DWORD share = kShareAll) {
    return plat::CreateFileA(path.c_str(), plat::GENERIC_READ, share, plat::OPEN_EXISTING,
                             plat::FILE_FLAG_SEQUENTIAL_SCAN);
}

// Creates or replaces the file; false when any step fails.
inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    plat::HANDLE h = OpenForWrite(path);
    if (h == plat::INVALID_HANDLE_VALUE) return false;
    plat::DWORD written = 0;
    const bool ok = plat::WriteFile(h, bytes.data(), static_cast<plat::DWORD>(bytes.size()), &written) &&
                    written == bytes.size();
    return plat::CloseHandle(h) && ok;
}

// The file's bytes, nothing when it cannot be opened for reading.
inline std::optional<std::string> ReadBytes(const std::string& path) {
    plat::HANDLE h = OpenForRead(path);
    if (h == plat::INVALID_HANDLE_VALUE) return std::nullopt;
    std::string out;
    char buf[4096];
    plat::DWORD got = 0;
    while (plat::ReadFile(h, buf, sizeof buf, &got) && got > 0) out.append(buf, got);
    plat::CloseHandle(h);
    return out;
}

}  // namespace contract
