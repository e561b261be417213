// An overall bound on one transfer: the per-read time-out of the session
// does not stop a server that sends a byte just before each time-out.
#pragma once
#include "platform/Threads.h"

class TransferDeadline {
public:
    explicit TransferDeadline(plat::DWORD milliseconds)
        : m_start(plat::GetTickCount()), m_length(milliseconds) {}
    // Unsigned difference: right across the clock's wrap after 49 days.
    bool Passed() const { return plat::GetTickCount() - m_start > m_length; }

private:
    plat::DWORD m_start;
    plat::DWORD m_length;
};

// Time-outs of the update's transfers, in milliseconds.
constexpr plat::DWORD kNetworkWaitMs = 30 * 1000;         // connect, send, each read
constexpr plat::DWORD kDownloadDeadlineMs = 10 * 60 * 1000;  // the whole executable
constexpr plat::DWORD kSignatureDeadlineMs = 60 * 1000;      // the 384 bytes of the signature
