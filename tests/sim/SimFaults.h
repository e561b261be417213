// Fault injection for the simulated Windows, shared by every simulated
// library: a test makes the n-th call of one operation fail (or transfer only
// part of its bytes), and can count the calls each operation received.
#pragma once
#include <cstdint>

namespace sim {

// Every simulated operation that can be made to fail. Other simulated
// libraries (internet, shell) use their rows from this one list.
enum class Op : int {
    // kernel
    CreateFileRead,   // CreateFileA asking GENERIC_READ
    CreateFileWrite,  // CreateFileA asking GENERIC_WRITE
    ReadFile,
    WriteFile,
    GetFileSize,
    CloseHandle,
    CreateDirectory,
    DeleteFile,
    RemoveDirectory,
    MoveFileEx,
    CopyFile,
    FlushFileBuffers,
    CreateProtectedDirectory,  // the security calls (platform/Security.h)
    ProtectDirectory,
    TakeOverDirectory,
    GetSecurityInfo,
    CreateProcess,
    WaitForMultipleObjects,  // fails with WAIT_FAILED
    GetTempPath,
    GetModuleFileName,
    GetCurrentDirectory,
    MultiByteToWideChar,
    // version library
    GetFileVersionInfoSize,
    GetFileVersionInfo,
    VerQueryValue,
    // window manager
    SetTimer,
    KillTimer,
    // internet
    InternetOpen,
    InternetCloseHandle,
    InternetGetConnectedState,
    InternetCanonicalizeUrl,
    InternetOpenUrl,
    InternetReadFile,
    HttpQueryInfo,
    // shell and COM
    SHGetSpecialFolderPath,
    CoInitialize,
    CoCreateInstance,
    QueryInterface,
    ShellLinkSetPath,
    ShellLinkSetArguments,
    PersistFileSave,
    // registry
    RegCreateKey,
    RegSetValue,
    RegDeleteKey,
    Count_  // keep last
};

struct Fault {
    enum Kind { Fail, Partial };
    Kind kind = Fail;
    // Partial: the call succeeds but moves only this many bytes (a short
    // write is a full disk, a short read an early end).
    std::uint32_t bytes = 0;
    // When true the fault also hits every later call of the operation.
    bool sticky = false;

    static Fault Failure() { return Fault{}; }
    static Fault Always() { return Fault{Fail, 0, true}; }
    static Fault Short(std::uint32_t n) { return Fault{Partial, n, false}; }
};

// The nth call of op from now on (1 = the next call) meets the fault. Several
// faults may wait on one operation. Reset() clears them.
void InjectFault(Op op, int nth, Fault fault = Fault::Failure());
// Calls the operation received since the last Reset().
int CallCount(Op op);
// Faults injected but not reached yet, for tests that want to prove the code
// got as far as the fault.
int PendingFaultCount();

// For the simulated libraries: counts one call of op and tells whether it
// meets a fault (then *out holds it). Call once at the start of each
// simulated operation.
bool TakeFault(Op op, Fault* out = nullptr);

void ResetFaults();

}  // namespace sim
