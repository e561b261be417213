// The Administrators' private namespace through the real calls. Wine 8
// exports none of the namespace functions but CreateBoundaryDescriptorW
// (which fails), and its stubs would end the process: the call must fail
// cleanly there, as on a system without private namespaces, and the update
// keeps its session's lock. Where they exist (Windows, as an elevated
// administrator) two calls reach one mutex.
#include "platform/PrivateNamespace.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

DWORD WINAPI TryFromAnotherThread(LPVOID mutex) { return ::WaitForSingleObject(static_cast<HANDLE>(mutex), 0); }

TEST(PrivateNamespace, OneMutexForTheNameOrNoneAndTheProcessGoesOn) {
    HANDLE first = plat::CreateAdminMutexA("tarnquill-update-contract");
    if (!first) return;  // no namespace here (Wine): the caller keeps its session's lock
    HANDLE second = plat::CreateAdminMutexA("tarnquill-update-contract");
    ASSERT_NE(nullptr, second);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(first, 0));
    HANDLE thread = ::CreateThread(nullptr, 0, TryFromAnotherThread, second, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ::WaitForSingleObject(thread, INFINITE);
    DWORD waited = 0;
    ::GetExitCodeThread(thread, &waited);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), waited) << "the two names are two objects";
    ::ReleaseMutex(first);
    ::CloseHandle(thread);
    ::CloseHandle(second);
    ::CloseHandle(first);
}

}  // namespace
