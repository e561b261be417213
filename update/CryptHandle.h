// Move-only owner of a CryptoAPI handle (context, key or hash), released
// with the call that belongs to its kind.
#pragma once
#include "platform/Crypto.h"

#include <cstdint>
#include <utility>

template <plat::BOOL (*Release)(std::uintptr_t)>
class CryptHandle {
public:
    CryptHandle() = default;
    ~CryptHandle() { Close(); }
    CryptHandle(const CryptHandle&) = delete;
    CryptHandle& operator=(const CryptHandle&) = delete;
    CryptHandle(CryptHandle&& other) noexcept : m_h(std::exchange(other.m_h, 0)) {}
    CryptHandle& operator=(CryptHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_h = std::exchange(other.m_h, 0);
        }
        return *this;
    }

    std::uintptr_t Get() const { return m_h; }
    // For the call that opens the handle; whatever was held is released first.
    std::uintptr_t* Receive() {
        Close();
        return &m_h;
    }
    void Close() {
        if (m_h) Release(std::exchange(m_h, 0));
    }

private:
    std::uintptr_t m_h = 0;
};

inline plat::BOOL ReleaseCryptContext(plat::HCRYPTPROV h) { return plat::CryptReleaseContext(h, 0); }

using CryptContext = CryptHandle<ReleaseCryptContext>;
using CryptKey = CryptHandle<plat::CryptDestroyKey>;
using CryptHash = CryptHandle<plat::CryptDestroyHash>;
