// Owners for COM: one initialisation of the thread and interface pointers.
#pragma once
#include "platform/Shell.h"

#include <utility>

// CoInitialize on construction; CoUninitialize on destruction when the
// initialisation counted as success (S_FALSE, "already initialised", too).
class ComInit {
public:
    ComInit() : m_hr(plat::CoInitialize(nullptr)) {}
    ~ComInit() {
        if (plat::SUCCEEDED(m_hr)) plat::CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    ComInit(ComInit&& other) noexcept : m_hr(std::exchange(other.m_hr, plat::E_FAIL)) {}
    ComInit& operator=(ComInit&&) = delete;

    bool Succeeded() const { return plat::SUCCEEDED(m_hr); }

private:
    plat::HRESULT m_hr;
};

// An interface pointer released once when the owner goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For the out parameter of CoCreateInstance and QueryInterface.
    void** Out() {
        Reset();
        return reinterpret_cast<void**>(&m_p);
    }
    void Reset() {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }

private:
    T* m_p = nullptr;
};
