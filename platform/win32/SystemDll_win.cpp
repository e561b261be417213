#include "platform/win32/SystemDll.h"

namespace plat::win32 {

FARPROC SystemDllProc(const char* dll, const char* name) {
    // The flag also applies to the DLL's own dependencies. Where the system
    // does not know it, nothing is loaded: the call fails as an unreachable
    // server or a file without version would.
    HMODULE module = ::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) return nullptr;
    return ::GetProcAddress(module, name);
}

}  // namespace plat::win32
