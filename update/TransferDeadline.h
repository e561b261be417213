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

