// Owner of one COM interface pointer: releases it once, moves, never copies.
#pragma once
#include <utility>

namespace afx {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* p) : m_p(p) {}  // adopts a reference the caller already holds
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.m_p, nullptr));
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes a new reference on p.
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return ComPtr(p);
    }

    void Reset(T* p = nullptr) {
        T* old = std::exchange(m_p, p);
        if (old) old->Release();
    }
    T* Detach() { return std::exchange(m_p, nullptr); }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: releases what is held first.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

private:
    T* m_p = nullptr;
};

}  // namespace afx
