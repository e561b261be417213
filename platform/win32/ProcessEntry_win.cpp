// The program's entry point. It restricts where DLLs are looked for before
// the runtime starts and the static objects are built (the update agent opens
// its internet session then): from here on a LoadLibrary of this process, or
// of the system DLLs it uses (the browser control's included), searches the
// system folder only and never the program's own folder, which every local
// user may write to.
#include <windows.h>

extern "C" int WinMainCRTStartup(void);  // the MinGW runtime's entry

namespace {

constexpr DWORD kSearchSystem32 = 0x800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

void SearchSystemFolderOnly() {
    // Looked up, not imported: a system without it still starts the program.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? ::GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (!proc) return;
    reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(proc))(kSearchSystem32);
}

}  // namespace

// Named by the linker's -e option (res/CMakeLists.txt).
extern "C" int TqProcessEntry(void) {
    SearchSystemFolderOnly();
    return WinMainCRTStartup();
}
