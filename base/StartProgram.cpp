#include "base/StartProgram.h"

#include "platform/Kernel.h"

namespace {

bool Start(const char* path, const char* currentDirectory, plat::PROCESS_INFORMATION& process) {
    plat::STARTUPINFOA startup{};
    startup.cb = 68;
    if (!plat::CreateProcessA(path, plat::NORMAL_PRIORITY_CLASS, startup, &process, currentDirectory))
        return false;
    plat::CloseHandle(process.hThread);
    return true;
}

}  // namespace

bool StartProgram(const char* path, const char* currentDirectory) {
    plat::PROCESS_INFORMATION process{};
    if (!Start(path, currentDirectory, process)) return false;
    plat::CloseHandle(process.hProcess);
    return true;
}

KernelObject StartWatchedProgram(const char* path) {
    plat::PROCESS_INFORMATION process{};
    if (!Start(path, nullptr, process)) return KernelObject();
    return KernelObject(process.hProcess);
}
