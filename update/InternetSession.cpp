// The update agent's internet session and its transfers.
#include "update/AutoUpdater.h"
#include "update/TransferWatch.h"
#include "update/UpdateSettings.h"
#include "update/UrlAnswer.h"
#include "base/ModulePath.h"
#include "base/SupportLog.h"

#include "platform/Inet.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"

#include <cstdint>

using namespace plat;

namespace {

constexpr DWORD kCanonicalUrlSize = 1024;
constexpr DWORD kDownloadPieceSize = 4096;
// Always from the server, never from the local cache, and never into it: a
// copy of the download in the user's cache would outlive every check and
// clean-up of the update.
constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE |
                                INTERNET_FLAG_HYPERLINK | INTERNET_FLAG_NO_CACHE_WRITE;

// The announced length, when the answer carries one.
bool AnnouncedLength(HINTERNET hUrl, DWORD* length) {
    return HttpQueryInfoNumber(hUrl, HTTP_QUERY_CONTENT_LENGTH, length) != FALSE;
}

// The body into the watch's file, piece by piece; Whole when all of it came.
DownloadEnd ReadWhole(HINTERNET hUrl, TransferWatch& watch, DWORD& stored) {
    stored = 0;
    DWORD announced = 0;
    const bool announces = AnnouncedLength(hUrl, &announced);
    if (announces && announced > kMaxDownloadBytes) return DownloadEnd::TooLarge;
    char piece[kDownloadPieceSize];
    auto room = [&](DWORD& size) {
        size = kDownloadPieceSize;
        return piece;
    };
    auto took = [&](DWORD read) {
        watch.Heard();
        // Bounded far below 4 GiB, so a DWORD never wraps: one piece past the bound ends it.
        stored += read;
        if (stored > kMaxDownloadBytes) return false;
        return read == 0 || watch.Write(piece, read);
    };
    if (!ReadToEnd(hUrl, kDownloadDeadlineMs, room, took))
        return stored > kMaxDownloadBytes ? DownloadEnd::TooLarge : DownloadEnd::Broken;
    // A connection that ends early looks like a clean end; the announced
    // length tells a truncated body from a whole one.
    return !announces || stored == announced ? DownloadEnd::Whole : DownloadEnd::Broken;
}

}  // namespace

CAutoUpdater::CAutoUpdater() = default;

CAutoUpdater::~CAutoUpdater() {
    if (m_hSession) InternetCloseHandle(m_hSession);
}

// Called on the thread of the check's network step; only one such step runs
// at a time, and the window's thread never needs the session.
HINTERNET CAutoUpdater::Session() {
    if (m_sessionTried) return m_hSession;
    m_sessionTried = true;
    m_hSession = InternetOpenA(kUpdateAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!m_hSession) return nullptr;
    // The platform's own waits are long or endless: a server that accepts
    // and then says nothing must end the transfer, not hold it for ever.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionNumber(m_hSession, option, kNetworkWaitMs);
    return m_hSession;
}

bool CAutoUpdater::IsConnected() {
    if (!Session()) return false;
    DWORD connectionFlags = 0;
    return InternetGetConnectedState(&connectionFlags, 0) != FALSE;
}

HINTERNET CAutoUpdater::OpenUrl(CString& strUrl) {
    char canonical[kCanonicalUrlSize] = {};
    DWORD length = kCanonicalUrlSize;
    // A form that does not fit leaves no URL in the buffer: opening nothing
    // beats opening a truncated address.
    if (!InternetCanonicalizeUrlA(strUrl, canonical, &length, ICU_BROWSER_MODE)) return nullptr;
    canonical[kCanonicalUrlSize - 1] = '\0';
    const DWORD start = GetTickCount();
    HINTERNET hUrl = InternetOpenUrlA(Session(), canonical, kOpenUrlFlags);
    // Read at once: the next call may change it.
    const DWORD error = hUrl ? 0 : GetLastError();
    if (!hUrl)
        LogEvent("GET %s: no answer, WinINet error %lu, %lu ms", LoggableUrl(canonical).c_str(),
                 static_cast<unsigned long>(error), static_cast<unsigned long>(GetTickCount() - start));
    strUrl = canonical;
    return hUrl;
}

bool CAutoUpdater::ReadChunk(HINTERNET hUrl, void* pBuffer, DWORD nSize) {
    DWORD read = 0;
    InternetReadFile(hUrl, pBuffer, nSize, &read);
    return read > 0;
}

bool CAutoUpdater::DownloadToFile(HINTERNET hUrl, const char* lpszFileName) {
    TransferWatch unwatched;
    if (!unwatched.Create(lpszFileName, CREATE_ALWAYS)) return false;
    DWORD stored = 0;
    return unwatched.Close(ReadWhole(hUrl, unwatched, stored) == DownloadEnd::Whole);
}

DownloadEnd DownloadInto(HINTERNET hUrl, const char* lpszFileName, TransferWatch& watch, DWORD& bytes) {
    bytes = 0;
    if (!watch.Create(lpszFileName, CREATE_NEW)) return DownloadEnd::NoFile;
    const DownloadEnd end = ReadWhole(hUrl, watch, bytes);
    if (end != DownloadEnd::Whole) watch.Close(false);
    return end;
}

CString CAutoUpdater::GetModulePath() { return RunningModulePath(); }
