// The IUnknown of the framework's own COM objects, written once: the
// reference count starts at one (the creator's reference) and the object
// deletes itself at zero; QueryInterface hands out what the object's
// InterfaceFor names, adding a reference, and E_NOINTERFACE otherwise.
#pragma once
#include <windows.h>
#include <unknwn.h>

namespace afx {

// Derived implements `void* InterfaceFor(REFIID riid)`: the pointer to hand
// out for riid (IUnknown included), cast to the interface's own base, or
// null. Derived is created with new and never deleted but by Release: its
// destructor is private, with `friend ComObject;` (no virtual destructor,
// so no second deleting entry in each interface's table).
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = static_cast<Derived*>(this)->InterfaceFor(riid);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(n);
    }

protected:
    ~ComObject() = default;

private:
    LONG m_refs = 1;
};

}  // namespace afx
