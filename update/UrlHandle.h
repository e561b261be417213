// Move-only owner of an internet handle the update agent opens, closed with
// InternetCloseHandle.
#pragma once
#include "platform/Inet.h"

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
