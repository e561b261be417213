// Move-only owner of a kernel file handle, closed with CloseHandle.
#pragma once
#include "platform/Kernel.h"

#include <utility>

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(plat::HANDLE h) : m_h(h) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept
        : m_h(std::exchange(other.m_h, plat::INVALID_HANDLE_VALUE)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_h = std::exchange(other.m_h, plat::INVALID_HANDLE_VALUE);
        }
        return *this;
    }

    plat::HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != plat::INVALID_HANDLE_VALUE && m_h != nullptr; }
    void Close() {
        if (IsValid()) plat::CloseHandle(m_h);
        m_h = plat::INVALID_HANDLE_VALUE;
    }

private:
    plat::HANDLE m_h = plat::INVALID_HANDLE_VALUE;
};
