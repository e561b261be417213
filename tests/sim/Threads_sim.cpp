// Simulated workers, mutexes, clock and process id.
#include "platform/Threads.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimThreads.h"

#include <deque>
#include <map>
#include <utility>

namespace sim {
namespace {

struct ThreadState {
    std::deque<std::pair<plat::WorkerProc, void*>> workers;
    bool workersFail = false;
    plat::DWORD clock = 1000000;
    plat::DWORD pid = 4242;
    std::map<plat::HANDLE, std::string> mutexNames;
    std::map<std::string, plat::HANDLE> holders;  // by name; the holding handle
    int mutexesCreated = 0;
};

ThreadState& State() {
    static ThreadState state;
    return state;
}

// The holder, when its handle is still open (a closed one abandoned it).
plat::HANDLE LiveHolder(const std::string& name) {
    auto it = State().holders.find(name);
    if (it == State().holders.end()) return nullptr;
    return detail::FindHandle(it->second, nullptr) ? it->second : nullptr;
}

}  // namespace

int RunWorkers() {
    int run = 0;
    while (!State().workers.empty()) {
        auto [fn, arg] = State().workers.front();
        State().workers.pop_front();
        fn(arg);
        ++run;
    }
    return run;
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
bool MutexHeld(const std::string& name) { return LiveHolder(name) != nullptr; }
int MutexesCreated() { return State().mutexesCreated; }

void ResetThreads() { State() = ThreadState{}; }

}  // namespace sim

namespace plat {

using sim::State;

BOOL StartWorker(WorkerProc fn, void* arg) {
    if (State().workersFail) return FALSE;
    State().workers.emplace_back(fn, arg);
    return TRUE;
}

HANDLE CreateMutexA(const char* lpName) {
    ++State().mutexesCreated;
    sim::detail::HandleEntry entry;
    entry.kind = sim::detail::HandleKind::Mutex;
    HANDLE h = sim::detail::NewHandle(entry);
    State().mutexNames[h] = lpName ? lpName : "";
    return h;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD /*dwMilliseconds*/) {
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
    if (!sim::detail::FindHandle(hMutex, "ReleaseMutex")) return FALSE;
    const std::string& name = State().mutexNames[hMutex];
    if (sim::LiveHolder(name) != hMutex) return FALSE;
    State().holders.erase(name);
    return TRUE;
}

DWORD GetCurrentProcessId() { return State().pid; }
DWORD GetTickCount() { return State().clock; }

}  // namespace plat
