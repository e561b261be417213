// The handle kinds the portable logic opens, each closed by its own call.
#pragma once
#include "base/Owner.h"

#include "platform/Crypto.h"
#include "platform/FileSearch.h"
#include "platform/Inet.h"
#include "platform/Kernel.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Threads.h"

#include <cstdint>
#include <cstdlib>

struct FileHandleTraits {
    using Type = plat::HANDLE;
    static Type Invalid() { return plat::INVALID_HANDLE_VALUE; }
    // CreateFileA fails with INVALID_HANDLE_VALUE, other calls with null.
    static bool IsValid(Type h) { return h != plat::INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { plat::CloseHandle(h); }
};
using FileHandle = Owner<FileHandleTraits>;

struct UrlHandleTraits {
    using Type = plat::HINTERNET;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { plat::InternetCloseHandle(h); }
};
using UrlHandle = Owner<UrlHandleTraits>;

// A block from calloc, given back with free.
struct MemoryBlockTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static void Close(Type p) { std::free(p); }
};
using MemoryBlock = Owner<MemoryBlockTraits>;

// One COM initialisation of the thread: CoUninitialize is owed for every
// result that counts as success, S_FALSE ("already initialised") too.
struct ComInitTraits {
    using Type = plat::HRESULT;
    static Type Invalid() { return plat::E_FAIL; }
    static bool IsValid(Type hr) { return plat::SUCCEEDED(hr); }
    static void Close(Type) { plat::CoUninitialize(); }
};
class ComInit : public Owner<ComInitTraits> {
public:
    ComInit() : Owner(plat::CoInitialize(nullptr)) {}
    bool Succeeded() const { return IsValid(); }
};

// CryptoAPI handles: a context, and the key and hash made in it.
template <plat::BOOL (*Release)(std::uintptr_t)>
struct CryptHandleTraits {
    using Type = std::uintptr_t;
    static Type Invalid() { return 0; }
    static bool IsValid(Type h) { return h != 0; }
    static void Close(Type h) { Release(h); }
};
inline plat::BOOL ReleaseCryptContext(plat::HCRYPTPROV h) { return plat::CryptReleaseContext(h, 0); }
using CryptContext = Owner<CryptHandleTraits<ReleaseCryptContext>>;
using CryptKey = Owner<CryptHandleTraits<plat::CryptDestroyKey>>;
using CryptHash = Owner<CryptHandleTraits<plat::CryptDestroyHash>>;

// A folder listing, ended with FindClose.
struct FindHandleTraits {
    using Type = plat::HANDLE;
    static Type Invalid() { return plat::INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != plat::INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { plat::FindClose(h); }
};
using FindHandle = Owner<FindHandleTraits>;

// An event or a process: a kernel object waited on, null when there is none.
struct KernelObjectTraits {
    using Type = plat::HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { plat::CloseHandle(h); }
};
using KernelObject = Owner<KernelObjectTraits>;

// A mutex handle, and the ownership of the mutex taken through it: declared
// in that order, the ownership is given back before the handle closes.
struct MutexHandleTraits {
    using Type = plat::HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { plat::CloseHandle(h); }
};
using MutexHandle = Owner<MutexHandleTraits>;
struct MutexOwnershipTraits {
    using Type = plat::HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { plat::ReleaseMutex(h); }
};
using MutexOwnership = Owner<MutexOwnershipTraits>;

// An open registry key.
struct RegKeyTraits {
    using Type = plat::HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { plat::RegCloseKey(h); }
};
using RegKey = Owner<RegKeyTraits>;
