#include "tests/sim/KernelLock.h"

#include <condition_variable>

#if defined(__SANITIZE_THREAD__)
#define TQ_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TQ_THREAD_SANITIZER 1
#endif
#endif

#ifdef TQ_THREAD_SANITIZER
extern "C" {
void AnnotateIgnoreSyncBegin(const char* file, int line);
void AnnotateIgnoreSyncEnd(const char* file, int line);
void __tsan_ignore_thread_begin();
void __tsan_ignore_thread_end();
}
#endif

namespace sim::detail {
namespace {

std::recursive_mutex& Mutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

std::condition_variable_any& Changed() {
    static std::condition_variable_any changed;
    return changed;
}

void HideBegin() {
#ifdef TQ_THREAD_SANITIZER
    AnnotateIgnoreSyncBegin(__FILE__, __LINE__);
    __tsan_ignore_thread_begin();
#endif
}

void HideEnd() {
#ifdef TQ_THREAD_SANITIZER
    __tsan_ignore_thread_end();
    AnnotateIgnoreSyncEnd(__FILE__, __LINE__);
#endif
}

}  // namespace

KernelLock::KernelLock() : m_lock(Mutex(), std::defer_lock) {
    HideBegin();
    m_lock.lock();
}

KernelLock::~KernelLock() {
    m_lock.unlock();
    HideEnd();
}

void KernelLock::WaitUntil(const std::function<bool()>& ready) { Changed().wait(m_lock, ready); }

void KernelLock::NotifyAll() { Changed().notify_all(); }

void KernelLock::RunUnlocked(const std::function<void()>& fn) {
    m_lock.unlock();
    HideEnd();
    fn();
    HideBegin();
    m_lock.lock();
}

}  // namespace sim::detail
