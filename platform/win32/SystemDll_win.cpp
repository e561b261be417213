#include "platform/win32/SystemDll.h"

#include <cstring>

namespace plat::win32 {
namespace {

constexpr DWORD kSearchSystem32 = 0x800;           // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kAlteredSearchPath = 0x8;          // LOAD_WITH_ALTERED_SEARCH_PATH

// "<system folder>\<dll>" by its full path. Its own dependencies are then
// looked for beside it, in the system folder, before the program's folder.
HMODULE LoadByFullSystemPath(const char* dll) {
    char path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(dll);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, dll, nameLength + 1);
    return ::LoadLibraryExA(path, nullptr, kAlteredSearchPath);
}

}  // namespace

bool RestrictedSearchSupported() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel && ::GetProcAddress(kernel, "SetDefaultDllDirectories");
}

HMODULE LoadSystemDll(const char* dll, DllSearch search) {
    // The flag also applies to the DLL's own dependencies.
    if (search == DllSearch::Auto && RestrictedSearchSupported())
        return ::LoadLibraryExA(dll, nullptr, kSearchSystem32);
    return LoadByFullSystemPath(dll);
}

FARPROC SystemDllProc(const char* dll, const char* name, DllSearch search) {
    // Where nothing can be loaded, the call fails as an unreachable server or
    // a file without version would.
    HMODULE module = LoadSystemDll(dll, search);
    if (!module) return nullptr;
    return ::GetProcAddress(module, name);
}

}  // namespace plat::win32
