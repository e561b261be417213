// Kernel services for work off the window's thread (kernel32): a worker
// thread, the named mutex that keeps updates of one executable apart, the
// named event by which a restarted program says it runs, the process id, the
// millisecond clock, the time of day (UTC) and the calling thread's last
// error.
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
// Manual reset, not signalled at first, no security attributes; a second
// creation of a name opens the first one's event. Null on failure.
HANDLE CreateEventA(const char* lpName);
// EVENT_MODIFY_STATE, not inherited: enough to SetEvent. Null when no event
// of that name exists.
HANDLE OpenEventA(const char* lpName);
BOOL SetEvent(HANDLE hEvent);
// Waits for any one of the handles (events, processes): WAIT_OBJECT_0 plus
// the index of the first one signalled, or WAIT_TIMEOUT.
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, DWORD dwMilliseconds);

DWORD GetCurrentProcessId();
DWORD GetTickCount();

// The current time in UTC.
struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
void GetSystemTime(SYSTEMTIME* lpSystemTime);
// The calling thread's last error: what a failed call (WinINet's among
// them, ERROR_INTERNET_*) left. Read at once, before any other call.
DWORD GetLastError();

}  // namespace plat
