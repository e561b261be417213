// The C++ runtime support the program needs, on the process heap, in place of
// the static C++ runtime (which would bring its strings, exception classes
// and unwinder: more than the program itself). Linked into the executables
// only. Every allocation of the program asks with std::nothrow and handles a
// null pointer; the plain forms are there for code that cannot (none of the
// program's own), and end the process when memory runs out, as the
// unhandled exception of the standard runtime would.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace std {
// The tag the program's allocations pass; normally defined by the C++ runtime.
const nothrow_t nothrow{};
}  // namespace std

namespace {

void* Allocate(std::size_t size) noexcept {
    return ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1);
}

void Free(void* p) noexcept {
    if (p) ::HeapFree(::GetProcessHeap(), 0, p);
}

void* AllocateOrEnd(std::size_t size) noexcept {
    void* p = Allocate(size);
    if (!p) std::abort();
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrEnd(size); }
void* operator new[](std::size_t size) { return AllocateOrEnd(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }

// A pure virtual function called during construction or destruction: a bug
// with no way to go on.
extern "C" void __cxa_pure_virtual() { std::abort(); }

// Guards of function-local statics: the first caller builds the object while
// any other thread waits for it. Byte 0 of the guard says "built" (the
// compiler reads it inline before calling here); the second word is the lock.
namespace {

int* GuardLock(unsigned long long* guard) { return reinterpret_cast<int*>(guard) + 1; }
char* GuardDone(unsigned long long* guard) { return reinterpret_cast<char*>(guard); }

}  // namespace

extern "C" int __cxa_guard_acquire(unsigned long long* guard) {
    for (;;) {
        if (__atomic_load_n(GuardDone(guard), __ATOMIC_ACQUIRE)) return 0;
        int free = 0;
        if (__atomic_compare_exchange_n(GuardLock(guard), &free, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED)) {
            if (!__atomic_load_n(GuardDone(guard), __ATOMIC_ACQUIRE)) return 1;  // this thread builds it
            __atomic_store_n(GuardLock(guard), 0, __ATOMIC_RELEASE);
            return 0;
        }
        ::Sleep(0);  // another thread is building it
    }
}

extern "C" void __cxa_guard_release(unsigned long long* guard) {
    __atomic_store_n(GuardDone(guard), 1, __ATOMIC_RELEASE);
    __atomic_store_n(GuardLock(guard), 0, __ATOMIC_RELEASE);
}

extern "C" void __cxa_guard_abort(unsigned long long* guard) {
    __atomic_store_n(GuardLock(guard), 0, __ATOMIC_RELEASE);
}
