#include "base/ModulePath.h"

#include "platform/Kernel.h"

CString RunningModulePath() {
    char path[plat::MAX_PATH] = {};
    plat::GetModuleFileNameA(plat::GetModuleHandleA(nullptr), path, plat::MAX_PATH);
    path[plat::MAX_PATH - 1] = '\0';
    return CString(path);
}
