// Kernel services for work off the window's thread (kernel32): a worker
// thread, the named mutex that keeps updates of one executable apart, the
// process id and the millisecond clock.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD INFINITE = 0xFFFFFFFFu;

using WorkerProc = void (*)(void* arg);
// Runs fn(arg) on a thread of its own, which nobody waits for: the process
// ends when its window closes, whatever the thread is doing. FALSE when no
// thread could be started (fn is then never called).
BOOL StartWorker(WorkerProc fn, void* arg);

// Not initially owned, no security attributes. Null on failure.
HANDLE CreateMutexA(const char* lpName);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL ReleaseMutex(HANDLE hMutex);

DWORD GetCurrentProcessId();
DWORD GetTickCount();

}  // namespace plat
