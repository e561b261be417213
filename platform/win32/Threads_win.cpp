// Worker threads, mutexes, the process id and the clock: the real kernel32
// calls.
#include "platform/Threads.h"

#include <windows.h>

#include <new>

namespace {

struct WorkerStart {
    plat::WorkerProc fn;
    void* arg;
};

DWORD WINAPI RunWorker(LPVOID param) {
    WorkerStart start = *static_cast<WorkerStart*>(param);
    delete static_cast<WorkerStart*>(param);
    start.fn(start.arg);
    return 0;
}

}  // namespace

namespace plat {

BOOL StartWorker(WorkerProc fn, void* arg) {
    auto* start = new (std::nothrow) WorkerStart{fn, arg};
    if (!start) return FALSE;
    ::HANDLE thread = ::CreateThread(nullptr, 0, RunWorker, start, 0, nullptr);
    if (!thread) {
        delete start;
        return FALSE;
    }
    // Nobody joins the worker: ExitProcess ends it with the window.
    ::CloseHandle(thread);
    return TRUE;
}

HANDLE CreateMutexA(const char* lpName) { return ::CreateMutexA(nullptr, FALSE, lpName); }

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return ::WaitForSingleObject(hHandle, dwMilliseconds);
}

BOOL ReleaseMutex(HANDLE hMutex) { return ::ReleaseMutex(hMutex); }

HANDLE CreateEventA(const char* lpName) { return ::CreateEventA(nullptr, TRUE, FALSE, lpName); }

HANDLE OpenEventA(const char* lpName) { return ::OpenEventA(EVENT_MODIFY_STATE, FALSE, lpName); }

BOOL SetEvent(HANDLE hEvent) { return ::SetEvent(hEvent); }

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, DWORD dwMilliseconds) {
    return ::WaitForMultipleObjects(nCount, lpHandles, FALSE, dwMilliseconds);
}

DWORD GetCurrentProcessId() { return ::GetCurrentProcessId(); }

DWORD GetTickCount() { return ::GetTickCount(); }

void GetSystemTime(SYSTEMTIME* lpSystemTime) {
    static_assert(sizeof(SYSTEMTIME) == sizeof(::SYSTEMTIME), "same layout");
    ::GetSystemTime(reinterpret_cast<::SYSTEMTIME*>(lpSystemTime));
}

DWORD GetLastError() { return ::GetLastError(); }

}  // namespace plat
