// An interface pointer owned by one holder: released once, moved, never copied.
#pragma once
#include "base/Owner.h"

template <class T>
struct ComPtrTraits {
    using Type = T*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static void Close(Type p) { p->Release(); }
};

template <class T>
class ComPtr : public Owner<ComPtrTraits<T>> {
public:
    using Owner<ComPtrTraits<T>>::Owner;

    // Takes a new reference on p, for a pointer the caller keeps too.
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return ComPtr(p);
    }
    T* operator->() const { return this->Get(); }
    void** PutVoid() { return reinterpret_cast<void**>(this->Put()); }
};
