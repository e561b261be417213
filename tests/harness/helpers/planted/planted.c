/* A DLL that a local user could plant beside the installed program under the
   name of a system DLL. Loaded into a process, it leaves "<its path>.loaded"
   behind (holding the loading program's path), which the tests look for. It
   exports nothing: a program that still binds the real DLL's functions fails
   to start with it, so its absence is seen either way. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH + 8] = {0};
    DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return TRUE;
    lstrcatA(path, ".loaded");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    char program[MAX_PATH] = {0};
    DWORD written = 0;
    DWORD length = GetModuleFileNameA(NULL, program, MAX_PATH);
    WriteFile(file, program, length, &written, NULL);
    CloseHandle(file);
    return TRUE;
}
