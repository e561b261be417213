// The test-facing side of the simulated worker threads, posted messages,
// mutexes, clock and process id. Workers never run by themselves: a test
// runs them with RunWorkers (or Pump), each on a thread of its own that the
// test waits for, so every interleaving it wants is deterministic and
// ThreadSanitizer still sees two threads. Reset with the kernel.
#pragma once
#include "platform/WinTypes.h"

#include <string>

namespace sim {

// Runs every worker started so far (and those they start), one at a time;
// the count run. A worker that waits on a silent server parks there while
// the answer's whileWaiting runs on this thread.
int RunWorkers();
// Workers started and not yet run.
int PendingWorkers();
// Makes StartWorker fail (FALSE, the function never called).
void SetWorkersFail(bool fail);
// Delivers the messages posted so far, in order, to the windows that still
// exist; the count delivered. (UserWindows_sim.cpp)
int DeliverPosted();
// Workers and posted messages until neither is left.
void Pump();

// Top-level windows are created hidden; a visible one other than the main
// window stands for an open box (UserWindows_sim.cpp).
void ShowWindow(plat::HWND hwnd, bool visible);

// GetTickCount's answer; stalls of the simulated server move it on.
plat::DWORD Clock();
void AdvanceClock(plat::DWORD milliseconds);
// GetCurrentProcessId's answer, default 4242.
void SetProcessId(plat::DWORD pid);

// True while a live handle holds the named mutex (a "Local\\" name: of the
// current session's).
bool MutexHeld(const std::string& name);
// The terminal session the simulated process runs in from now on: 1 after
// sim::Reset(), 0 for a service or a scheduled task run as SYSTEM.
void SetSession(plat::DWORD session);
// Mutex names ever created.
int MutexesCreated();

void ResetThreads();

}  // namespace sim
