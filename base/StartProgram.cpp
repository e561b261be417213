#include "base/StartProgram.h"

#include "platform/Kernel.h"

bool StartProgram(const char* path, const char* currentDirectory) {
    plat::STARTUPINFOA startup{};
    startup.cb = 68;
    plat::PROCESS_INFORMATION process{};
    if (!plat::CreateProcessA(path, plat::NORMAL_PRIORITY_CLASS, startup, &process, currentDirectory))
        return false;
    plat::CloseHandle(process.hThread);
    plat::CloseHandle(process.hProcess);
    return true;
}
