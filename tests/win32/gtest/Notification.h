// GoogleTest's Windows build wants a Notification built on std::mutex, which
// the win32-threads MinGW runtime lacks. This one is force-included before
// GoogleTest's headers and rests on a Win32 event instead (Notification.cpp),
// so its header needs no <windows.h>.
#pragma once
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify();
    void WaitForNotification();

private:
    void* event_;
};

}  // namespace internal
}  // namespace testing
