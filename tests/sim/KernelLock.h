// The simulated kernel's one lock. Every simulated call a worker thread can
// make runs under it, so a worker and the window's thread never touch the
// simulation's state at once. ThreadSanitizer sees neither the lock nor the
// state it guards: the program may count on no ordering from Windows' own
// locks, and a lock the sanitizer could see would order the worker before
// the window at every call and hide the program's races behind it.
#pragma once
#include <functional>
#include <mutex>

namespace sim::detail {

class KernelLock {
public:
    KernelLock();
    ~KernelLock();
    KernelLock(const KernelLock&) = delete;
    KernelLock& operator=(const KernelLock&) = delete;

    // Gives the lock up until ready() holds (a condition variable's wait):
    // only where this thread holds it once.
    void WaitUntil(const std::function<bool()>& ready);
    // Wakes every WaitUntil to look again.
    static void NotifyAll();
    // Runs what the program or the test does from inside a call (a hook, a
    // handler) without the lock, and seen by the sanitizer: only where this
    // thread holds it once.
    void RunUnlocked(const std::function<void()>& fn);

private:
    std::unique_lock<std::recursive_mutex> m_lock;
};

}  // namespace sim::detail
