// Functions of system DLLs that are not known DLLs (wininet, version,
// comctl32), bound at first use from the system folder only. Every local
// user may create files in the installation folder, and Windows looks for
// such DLLs in the program's own folder first: an import table entry for them
// would load a planted copy into the program. advapi32 and gdi32 are bound
// here too, for the order of the import table (platform/win32/Crypto_win.cpp).
#pragma once
#include <windows.h>

namespace plat::win32 {

// How a system DLL is found. Where the restricted search exists (Windows 8
// and later; Vista SP2, 7 and their servers with KB2533623) the loader is
// told to search the system folder only; elsewhere (XP, Vista and 7 without
// that update), where it would refuse that flag, the DLL is named by its
// full path in the system folder, never by its bare name.
enum class DllSearch { Auto, FullSystemPath };

// True when the system knows SetDefaultDllDirectories and the
// LOAD_LIBRARY_SEARCH_* flags.
bool RestrictedSearchSupported();

// The system folder's copy of the DLL, loaded, or null.
HMODULE LoadSystemDll(const char* dll, DllSearch search = DllSearch::Auto);

// The function's address in the system folder's copy of the DLL, or null
// when the DLL or the function cannot be had from there.
FARPROC SystemDllProc(const char* dll, const char* name, DllSearch search = DllSearch::Auto);

// The same, typed: SystemFunction<decltype(&::InternetOpenA)>("wininet.dll",
// "InternetOpenA"). Callers keep the result in a static, so each function is
// looked up once, and treat null as the call's own failure.
template <class Fn>
Fn SystemFunction(const char* dll, const char* name) {
    // Through the generic function pointer type, which converts to any other.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(SystemDllProc(dll, name)));
}

}  // namespace plat::win32
