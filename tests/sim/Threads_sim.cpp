// Simulated workers, mutexes, clock and process id.
#include "platform/Threads.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimThreads.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>

namespace sim {
namespace {

struct ThreadState {
    std::deque<std::pair<plat::WorkerProc, void*>> workers;
    bool workersFail = false;
    plat::DWORD clock = 1000000;
    plat::DWORD pid = 4242;
    plat::DWORD session = 1;  // the terminal session the simulated process runs in
    std::map<plat::HANDLE, std::string> mutexNames;  // by the name's key (MutexKey)
    std::map<std::string, plat::HANDLE> holders;  // by key; the holding handle
    int mutexesCreated = 0;
    std::map<plat::HANDLE, std::string> eventNames;
    std::map<std::string, bool> eventSignalled;
    int unnamedEvents = 0;  // by name, while a handle is open
    // The running worker's wait on the simulated server, handed to the test's
    // thread; null while there is none.
    const std::function<void()>* meanwhile = nullptr;
    bool workerEnded = false;
};

thread_local bool t_onWorker = false;
thread_local plat::DWORD t_lastError = 0;

ThreadState& State() {
    static ThreadState state;
    return state;
}

// Where a name lives: "Local\" and a bare name in the session's own
// namespace (in session 0 that is the global one), "Global\" in the one
// every session shares.
std::string MutexKey(const char* name) {
    if (!name) return std::string();
    const std::string text = name;
    const std::string global = "Global\\", local = "Local\\";
    if (text.compare(0, global.size(), global) == 0) return text;
    const std::string rest = text.compare(0, local.size(), local) == 0 ? text.substr(local.size()) : text;
    if (State().session == 0) return global + rest;
    return "Session\\" + std::to_string(State().session) + "\\" + rest;
}

// The holder, when its handle is still open (a closed one abandoned it).
plat::HANDLE LiveHolder(const std::string& name) {
    auto it = State().holders.find(name);
    if (it == State().holders.end()) return nullptr;
    return detail::FindHandle(it->second, nullptr) ? it->second : nullptr;
}

// One worker on a thread of its own, joined before the next runs. While it
// waits on the simulated server, what the test scripted for that wait runs
// here on the test's thread, truly beside the waiting worker, as the window
// would run its timers meanwhile.
void RunOnThread(plat::WorkerProc fn, void* arg) {
    std::thread worker([fn, arg] {
        t_onWorker = true;
        fn(arg);
        detail::KernelLock lock;
        State().workerEnded = true;
        lock.NotifyAll();
    });
    for (;;) {
        std::function<void()> meanwhile;
        {
            detail::KernelLock lock;
            lock.WaitUntil([] { return State().workerEnded || State().meanwhile; });
            if (State().workerEnded) break;
            meanwhile = *State().meanwhile;
        }
        meanwhile();
        detail::KernelLock lock;
        State().meanwhile = nullptr;
        lock.NotifyAll();
    }
    worker.join();
    detail::KernelLock lock;
    State().workerEnded = false;
}

// A named event lives while a handle to it is open.
bool EventAlive(const std::string& name) {
    for (const auto& [h, n] : State().eventNames)
        if (n == name && detail::FindHandle(h, nullptr)) return true;
    return false;
}

plat::HANDLE NewEventHandle(const std::string& name) {
    sim::detail::HandleEntry entry;
    entry.kind = sim::detail::HandleKind::Event;
    plat::HANDLE h = sim::detail::NewHandle(entry);
    State().eventNames[h] = name;
    return h;
}

// Whether a wait on the handle would end now; false for a handle that
// cannot be waited on.
bool Signalled(plat::HANDLE h, bool& waitable) {
    auto* entry = detail::FindHandle(h, "WaitForMultipleObjects");
    waitable = entry && (entry->kind == detail::HandleKind::Event || entry->kind == detail::HandleKind::Process);
    if (!waitable) return false;
    if (entry->kind == detail::HandleKind::Process) return detail::ProcessHasEnded(*entry);
    return State().eventSignalled[State().eventNames[h]];
}

}  // namespace

namespace detail {

plat::HANDLE NewMutex(const std::string& key) {
    ++State().mutexesCreated;
    HandleEntry entry;
    entry.kind = HandleKind::Mutex;
    plat::HANDLE h = NewHandle(entry);
    State().mutexNames[h] = key;
    return h;
}

void WaitMeanwhile(const std::function<void()>& meanwhile, KernelLock& held) {
    if (!meanwhile) return;
    if (!t_onWorker) {
        held.RunUnlocked(meanwhile);
        return;
    }
    State().meanwhile = &meanwhile;
    held.NotifyAll();
    held.WaitUntil([] { return State().meanwhile == nullptr; });
}

}  // namespace detail

int RunWorkers() {
    int run = 0;
    for (;;) {
        std::pair<plat::WorkerProc, void*> next;
        {
            detail::KernelLock lock;
            if (State().workers.empty()) return run;
            next = State().workers.front();
            State().workers.pop_front();
        }
        RunOnThread(next.first, next.second);
        ++run;
    }
}

int PendingWorkers() { return static_cast<int>(State().workers.size()); }
void SetWorkersFail(bool fail) { State().workersFail = fail; }

void Pump() {
    while (RunWorkers() + DeliverPosted() > 0) {
    }
}

plat::DWORD Clock() { return State().clock; }
void AdvanceClock(plat::DWORD milliseconds) { State().clock += milliseconds; }
void SetProcessId(plat::DWORD pid) { State().pid = pid; }
bool MutexHeld(const std::string& name) { return LiveHolder(MutexKey(name.c_str())) != nullptr; }
void SetSession(plat::DWORD session) { State().session = session; }
int MutexesCreated() { return State().mutexesCreated; }

void ResetThreads() { State() = ThreadState{}; }

}  // namespace sim

namespace plat {

using sim::State;

BOOL StartWorker(WorkerProc fn, void* arg) {
    sim::detail::KernelLock lock;
    if (State().workersFail) return FALSE;
    State().workers.emplace_back(fn, arg);
    return TRUE;
}

HANDLE CreateMutexA(const char* lpName) {
    sim::detail::KernelLock lock;
    return sim::detail::NewMutex(sim::MutexKey(lpName));
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD /*dwMilliseconds*/) {
    sim::detail::KernelLock lock;
    auto* entry = sim::detail::FindHandle(hHandle, "WaitForSingleObject");
    if (!entry || entry->kind != sim::detail::HandleKind::Mutex) return WAIT_FAILED;
    const std::string& name = State().mutexNames[hHandle];
    HANDLE holder = sim::LiveHolder(name);
    // Nothing else runs while a simulated wait would last: a held mutex
    // stays held, so the wait ends at once with its time-out.
    if (holder && holder != hHandle) return WAIT_TIMEOUT;
    bool abandoned = !holder && State().holders.count(name);
    State().holders[name] = hHandle;
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

BOOL ReleaseMutex(HANDLE hMutex) {
    sim::detail::KernelLock lock;
    if (!sim::detail::FindHandle(hMutex, "ReleaseMutex")) return FALSE;
    const std::string& name = State().mutexNames[hMutex];
    if (sim::LiveHolder(name) != hMutex) return FALSE;
    State().holders.erase(name);
    return TRUE;
}

HANDLE CreateEventA(const char* lpName) {
    sim::detail::KernelLock lock;
    // An unnamed event is one of its own: no other call can reach it.
    const std::string name = lpName ? lpName : "\x01unnamed " + std::to_string(++State().unnamedEvents);
    if (!sim::EventAlive(name)) State().eventSignalled[name] = false;
    return sim::NewEventHandle(name);
}

HANDLE OpenEventA(const char* lpName) {
    sim::detail::KernelLock lock;
    if (!lpName || !sim::EventAlive(lpName)) return nullptr;
    return sim::NewEventHandle(lpName);
}

BOOL SetEvent(HANDLE hEvent) {
    sim::detail::KernelLock lock;
    auto* entry = sim::detail::FindHandle(hEvent, "SetEvent");
    if (!entry || entry->kind != sim::detail::HandleKind::Event) return FALSE;
    State().eventSignalled[State().eventNames[hEvent]] = true;
    return TRUE;
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, DWORD dwMilliseconds) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::WaitForMultipleObjects)) return WAIT_FAILED;
    for (DWORD i = 0; i < nCount; ++i) {
        bool waitable = false;
        if (sim::Signalled(lpHandles[i], waitable)) return WAIT_OBJECT_0 + i;
        if (!waitable) return WAIT_FAILED;
    }
    // Nothing else runs while a simulated wait would last: what is not
    // signalled now stays so, and the wait ends with its time-out.
    State().clock += dwMilliseconds;
    return WAIT_TIMEOUT;
}

DWORD GetCurrentProcessId() {
    sim::detail::KernelLock lock;
    return State().pid;
}
DWORD GetTickCount() {
    sim::detail::KernelLock lock;
    return State().clock;
}

// A fixed day, 2026-12-08 (a Tuesday); the time of day follows the clock.
void GetSystemTime(SYSTEMTIME* lpSystemTime) {
    sim::detail::KernelLock lock;
    const DWORD ms = State().clock;
    *lpSystemTime = SYSTEMTIME{2026, 12, 2, 8, static_cast<WORD>(ms / 3600000 % 24),
                               static_cast<WORD>(ms / 60000 % 60), static_cast<WORD>(ms / 1000 % 60),
                               static_cast<WORD>(ms % 1000)};
}

DWORD GetLastError() { return sim::t_lastError; }

}  // namespace plat

void sim::detail::SetLastError(plat::DWORD error) { sim::t_lastError = error; }
