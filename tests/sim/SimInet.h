// The test-facing side of the simulated WinINet: scripted answers per URL,
// the connection state, and a log of sessions, opens and reads. Opening a
// URL nobody scripted fails the running test. sim::ResetInet() (called by
// sim::Reset()) restores: connected, no answers, empty logs, no handles.
#pragma once
#include "platform/WinTypes.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// What the stand-in server answers for one URL (the canonical form).
struct HttpAnswer {
    plat::DWORD status = 200;
    std::string body;
    // The body goes on with zero bytes up to this length: a large body that
    // the test does not hold in memory.
    std::size_t fillTo = 0;
    // The Content-Length announced; unset announces the body's size.
    std::optional<plat::DWORD> contentLength;
    bool sendsContentLength = true;
    // Most bytes one read delivers (0: as many as asked).
    plat::DWORD pieceSize = 0;
    // Reads fail once this many bytes were delivered (connection dropped).
    std::optional<std::size_t> failAfter;
    // After the last byte the next read fails instead of reporting the end.
    bool failAtEnd = false;
    // InternetOpenUrlA fails for this URL (no route, refused).
    bool unreachable = false;
    // The server accepts and never answers: the open waits for the
    // session's receive time-out and fails. Without one it would wait for
    // ever, which fails the running test.
    bool silent = false;
    // The body stops after this many bytes and the connection stays open:
    // the next read waits for the receive time-out (the clock moves on by
    // it) and fails. Without a time-out the test fails.
    std::optional<std::size_t> stallAfter;
    // Each read that delivers bytes takes this long on the simulated clock.
    plat::DWORD msPerRead = 0;
    // Runs while a silent or stalled wait lasts, before it ends: what the
    // rest of the program does meanwhile (the window's timers, say). A
    // worker waits on its own thread while this runs on the test's.
    std::function<void()> whileWaiting;
};

// Scripts the answer for a URL; every later open of it starts afresh.
void ServeUrl(const std::string& url, const HttpAnswer& answer);
// A 200 answer with this body.
void ServeBody(const std::string& url, const std::string& body);
// Called at each InternetOpenUrlA with the URL, before it is answered, so a
// test can look at the rest of the world at that moment.
void OnUrlOpen(std::function<void(const std::string&)> hook);
// The session's time-out option (INTERNET_OPTION_*_TIMEOUT), or nothing when
// the program left the platform's own.
std::optional<plat::DWORD> SessionTimeout(plat::DWORD option);
// InternetGetConnectedState's answer (default connected).
void SetConnected(bool connected);

struct InternetOpenCall {
    std::string agent;
    plat::DWORD accessType;
    bool proxyGiven;
    bool bypassGiven;
    plat::DWORD flags;
};
std::vector<InternetOpenCall> InternetOpens();

struct UrlOpenCall {
    std::string url;
    plat::DWORD flags;
    bool succeeded;
};
// Every InternetOpenUrlA, in order (failed ones too).
std::vector<UrlOpenCall> UrlOpens();
// The URLs of every InternetOpenUrlA, in order.
std::vector<std::string> OpenedUrls();

struct UrlReadCall {
    std::string url;
    plat::DWORD asked;
    plat::DWORD delivered;
    bool succeeded;
};
std::vector<UrlReadCall> UrlReads();

// Internet handles still open: URL handles alone, and sessions alone.
int OpenUrlHandleCount();
int OpenSessionCount();
// Calls that passed an internet handle that was never given or already closed.
std::vector<std::string> BadInternetHandleCalls();
int ConnectedStateQueries();

// The canonical form the simulation makes in browser mode: before any '?'
// or '#', backslashes become slashes, and spaces, control bytes, bytes of
// 0x80 and above and the unsafe characters <>"{}|^` become %XX.
std::string CanonicalUrl(const std::string& url);

}  // namespace sim
