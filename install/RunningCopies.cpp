#include "install/RunningCopies.h"

#include "base/Array.h"
#include "base/Handles.h"
#include "install/PathCompare.h"
#include "platform/Processes.h"
#include "platform/Threads.h"
#include "platform/User.h"

using namespace plat;

namespace {

struct Window {
    HWND hwnd;
    DWORD process;
};

BOOL CollectVisible(HWND hwnd, LPARAM found) {
    DWORD process = 0;
    if (IsWindowVisible(hwnd) && GetWindowThreadProcessId(hwnd, &process) && process != GetCurrentProcessId())
        reinterpret_cast<Array<Window>*>(found)->push_back(Window{hwnd, process});
    return TRUE;
}

// A handle to wait on when the process runs an image from the folder.
KernelObject OpenCopy(DWORD process, const char* installFolder) {
    KernelObject handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, process));
    if (!handle) return handle;
    char image[1024] = {};
    DWORD size = sizeof image;
    if (!QueryFullProcessImageNameA(handle.Get(), image, &size) || !IsInFolder(image, installFolder))
        handle.Close();
    return handle;
}

bool AlreadyOpen(const Array<DWORD>& processes, DWORD process) {
    for (std::size_t i = 0; i < processes.size(); ++i)
        if (processes[i] == process) return true;
    return false;
}

}  // namespace

bool CloseRunningCopies(const char* installFolder, DWORD waitMs) {
    Array<Window> windows;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));

    Array<DWORD> seen;
    Array<KernelObject> copies;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const DWORD process = windows[i].process;
        if (AlreadyOpen(seen, process)) continue;
        seen.push_back(DWORD(process));
        KernelObject copy = OpenCopy(process, installFolder);
        if (!copy) continue;
        for (std::size_t j = i; j < windows.size(); ++j)
            if (windows[j].process == process) PostMessageA(windows[j].hwnd, WM_CLOSE, 0, 0);
        copies.push_back(static_cast<KernelObject&&>(copy));
    }

    // One deadline for all: each copy closes on its own thread meanwhile.
    const DWORD start = GetTickCount();
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent < waitMs ? waitMs - spent : 0;
        HANDLE handle = copies[i].Get();
        if (WaitForMultipleObjects(1, &handle, left) != WAIT_OBJECT_0) return false;
    }
    return true;
}
