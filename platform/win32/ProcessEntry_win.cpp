// The program's entry point. It restricts where DLLs are looked for before
// the runtime starts and the static objects are built: from here on a
// LoadLibrary of this process, or of the system DLLs it uses (the browser
// control's included), never finds a DLL in the program's own folder, which
// every local user may write to.
#include "platform/win32/SystemDll.h"

#include <windows.h>

extern "C" int WinMainCRTStartup(void);  // the MinGW runtime's entry

namespace {

constexpr DWORD kSearchSystem32 = 0x800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// The DLLs that are no known DLLs and that the program binds: where the
// search cannot be restricted, each is loaded once from its full path in the
// system folder, so that a later load of it by name, the system's own loads
// included, finds it already loaded instead of searching the program's folder.
const char* const kProgramDlls[] = {"wininet.dll", "version.dll", "advapi32.dll", "gdi32.dll", "comctl32.dll"};

FARPROC KernelProc(const char* name) {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel ? ::GetProcAddress(kernel, name) : nullptr;
}

void SearchSystemFolderOnly() {
    // Looked up, not imported: a system without them still starts the program.
    if (FARPROC restrict = KernelProc("SetDefaultDllDirectories")) {
        reinterpret_cast<BOOL(WINAPI*)(DWORD)>(reinterpret_cast<void (*)()>(restrict))(kSearchSystem32);
        return;
    }
    // Windows XP SP1 and later: at least the current directory leaves the search.
    if (FARPROC setDirectory = KernelProc("SetDllDirectoryA"))
        reinterpret_cast<BOOL(WINAPI*)(LPCSTR)>(reinterpret_cast<void (*)()>(setDirectory))("");
    for (const char* dll : kProgramDlls) plat::win32::LoadSystemDll(dll, plat::win32::DllSearch::FullSystemPath);
}

}  // namespace

// Named by the linker's -e option (res/CMakeLists.txt).
extern "C" int TqProcessEntry(void) {
    SearchSystemFolderOnly();
    return WinMainCRTStartup();
}
