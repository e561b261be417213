// Reading what the server answered on an opened URL: whether it said 200,
// and its body to the end within one deadline for the whole transfer.
#pragma once
#include "update/TransferDeadline.h"

#include "platform/Inet.h"

// An error page is no answer, whatever its body reads as.
bool AnsweredOk(plat::HINTERNET hUrl);

// The support log's line of one request that was answered: its address
// (without user-info and query), the release it is of (the version its
// query names; null for the manifest), the status, the bytes read and the
// time since start (GetTickCount). A request with no answer is logged by
// the opening (CAutoUpdater::OpenUrl) with WinINet's error.
void LogAnswer(const char* url, const char* release, plat::HINTERNET hUrl, plat::DWORD bytes, plat::DWORD start);

// Reads hUrl until its body ends, or the deadline passes, or a read fails.
// Each read goes into room(size), which names where and how much; took(read)
// is then told what came (0 at the body's end) and says whether to go on.
// True when the body ended and every piece was taken.
template <typename Room, typename Took>
bool ReadToEnd(plat::HINTERNET hUrl, plat::DWORD deadlineMs, Room room, Took took) {
    TransferDeadline deadline(deadlineMs);
    for (;;) {
        if (deadline.Passed()) return false;
        plat::DWORD size = 0;
        void* into = room(size);
        plat::DWORD read = 0;
        if (!plat::InternetReadFile(hUrl, into, size, &read)) return false;
        if (!took(read)) return false;
        if (read == 0) return true;
    }
}
