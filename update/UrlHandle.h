// Move-only owners of the handles the update agent opens: an internet handle
// (closed with InternetCloseHandle) and a kernel file handle (CloseHandle).
#pragma once
#include "platform/Inet.h"
#include "platform/Kernel.h"

#include <utility>

class UrlHandle {
public:
    UrlHandle() = default;
    explicit UrlHandle(plat::HINTERNET h) : m_h(h) {}
    ~UrlHandle() { Close(); }
    UrlHandle(const UrlHandle&) = delete;
    UrlHandle& operator=(const UrlHandle&) = delete;
    UrlHandle(UrlHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    UrlHandle& operator=(UrlHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_h = std::exchange(other.m_h, nullptr);
        }
        return *this;
    }

    plat::HINTERNET Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Close() {
        if (m_h) plat::InternetCloseHandle(std::exchange(m_h, nullptr));
    }

private:
    plat::HINTERNET m_h = nullptr;
};

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
