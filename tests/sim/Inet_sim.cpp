// The simulated WinINet behind platform/Inet.h.
#include "tests/sim/SimInet.h"

#include "platform/Inet.h"
#include "platform/Threads.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimFaults.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimThreads.h"
#include "tests/sim/SimWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

namespace sim {
namespace {

struct UrlState {
    std::string url;
    HttpAnswer answer;
    std::size_t position = 0;
    std::optional<plat::DWORD> receiveTimeout;  // the session's when opened
};

struct InetHandle {
    bool session = false;
    UrlState url;  // URL handles only
    std::map<plat::DWORD, plat::DWORD> options;  // sessions only
};

struct InetState {
    bool connected = true;
    std::map<std::string, HttpAnswer> answers;
    std::map<std::uintptr_t, InetHandle> handles;
    std::uintptr_t nextToken = 0x1000;
    std::vector<InternetOpenCall> sessions;
    std::vector<UrlOpenCall> opens;
    std::vector<UrlReadCall> reads;
    std::vector<std::string> badHandles;
    int connectedQueries = 0;
    std::function<void(const std::string&)> onOpen;
};

InetState& State() {
    static InetState state;
    return state;
}

plat::HINTERNET NewHandle(InetHandle handle) {
    InetState& s = State();
    s.nextToken += 4;
    s.handles[s.nextToken] = std::move(handle);
    return reinterpret_cast<plat::HINTERNET>(s.nextToken);
}

InetHandle* Find(plat::HINTERNET h, const char* fn) {
    auto it = State().handles.find(reinterpret_cast<std::uintptr_t>(h));
    if (it != State().handles.end()) return &it->second;
    State().badHandles.push_back(fn);
    return nullptr;
}

bool IsUnsafe(unsigned char c) {
    return c <= 0x20 || c >= 0x7F || std::strchr("<>\"{}|^`", c) != nullptr;
}

std::size_t BodySize(const HttpAnswer& answer) { return std::max(answer.body.size(), answer.fillTo); }

plat::DWORD AnnouncedLength(const HttpAnswer& answer) {
    return answer.contentLength ? *answer.contentLength : static_cast<plat::DWORD>(BodySize(answer));
}

// n bytes of the body from position on, the filler past the scripted text.
void CopyBody(const HttpAnswer& answer, std::size_t position, std::size_t n, void* into) {
    std::size_t scripted = position < answer.body.size() ? std::min(n, answer.body.size() - position) : 0;
    std::memcpy(into, answer.body.data() + position, scripted);
    std::memset(static_cast<char*>(into) + scripted, 0, n - scripted);
}

// Bytes the next read may deliver, before the answer's own limits.
std::size_t Deliverable(const UrlState& u, plat::DWORD asked) {
    std::size_t end = BodySize(u.answer);
    if (u.answer.failAfter) end = std::min(end, *u.answer.failAfter);
    if (u.answer.stallAfter) end = std::min(end, *u.answer.stallAfter);
    std::size_t n = std::min<std::size_t>(asked, end - std::min(end, u.position));
    if (u.answer.pieceSize) n = std::min<std::size_t>(n, u.answer.pieceSize);
    return n;
}

// A wait for a server that says nothing: over after the receive time-out,
// never without one.
void WaitForSilentServer(const std::optional<plat::DWORD>& timeout, const HttpAnswer& answer,
                         const std::string& url, detail::KernelLock& held) {
    detail::WaitMeanwhile(answer.whileWaiting, held);
    if (!timeout) {
        ADD_FAILURE() << "simulated WinINet: waiting for ever on " << url << " (no receive time-out)";
        return;
    }
    AdvanceClock(*timeout);
}

bool ReadFails(const UrlState& u) {
    if (u.answer.failAfter && u.position >= *u.answer.failAfter) return true;
    return u.answer.failAtEnd && u.position >= BodySize(u.answer);
}

}  // namespace

void ServeUrl(const std::string& url, const HttpAnswer& answer) { State().answers[url] = answer; }

void ServeBody(const std::string& url, const std::string& body) {
    HttpAnswer answer;
    answer.body = body;
    ServeUrl(url, answer);
}

void OnUrlOpen(std::function<void(const std::string&)> hook) { State().onOpen = std::move(hook); }

void SetConnected(bool connected) { State().connected = connected; }

std::optional<plat::DWORD> SessionTimeout(plat::DWORD option) {
    for (const auto& [token, handle] : State().handles) {
        if (!handle.session) continue;
        auto it = handle.options.find(option);
        if (it != handle.options.end()) return it->second;
    }
    return std::nullopt;
}
std::vector<InternetOpenCall> InternetOpens() { return State().sessions; }
std::vector<UrlOpenCall> UrlOpens() { return State().opens; }

std::vector<std::string> OpenedUrls() {
    std::vector<std::string> urls;
    for (const UrlOpenCall& call : State().opens) urls.push_back(call.url);
    return urls;
}

std::vector<UrlReadCall> UrlReads() { return State().reads; }

int OpenUrlHandleCount() {
    return static_cast<int>(std::count_if(State().handles.begin(), State().handles.end(),
                                          [](const auto& entry) { return !entry.second.session; }));
}

int OpenSessionCount() {
    return static_cast<int>(State().handles.size()) - OpenUrlHandleCount();
}

std::vector<std::string> BadInternetHandleCalls() { return State().badHandles; }
int ConnectedStateQueries() { return State().connectedQueries; }

std::string CanonicalUrl(const std::string& url) {
    std::string out;
    bool inQuery = false;
    for (char ch : url) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '?' || c == '#') inQuery = true;
        if (!inQuery && c == '\\') {
            out += '/';
            continue;
        }
        if (inQuery || !IsUnsafe(c)) {
            out += ch;
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        out += escaped;
    }
    return out;
}

void ResetInet() { State() = InetState{}; }

}  // namespace sim

namespace plat {

using sim::State;

HINTERNET InternetOpenA(const char* lpszAgent, DWORD dwAccessType, const char* lpszProxy,
                        const char* lpszProxyBypass, DWORD dwFlags) {
    sim::detail::KernelLock lock;
    State().sessions.push_back(sim::InternetOpenCall{lpszAgent ? lpszAgent : "", dwAccessType,
                                                     lpszProxy != nullptr,
                                                     lpszProxyBypass != nullptr, dwFlags});
    if (sim::TakeFault(sim::Op::InternetOpen)) return nullptr;
    sim::InetHandle session;
    session.session = true;
    return sim::NewHandle(session);
}

BOOL InternetCloseHandle(HINTERNET hInternet) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::InternetCloseHandle)) return FALSE;
    if (!sim::Find(hInternet, "InternetCloseHandle")) return FALSE;
    State().handles.erase(reinterpret_cast<std::uintptr_t>(hInternet));
    return TRUE;
}

BOOL InternetGetConnectedState(DWORD* lpdwFlags, DWORD /*dwReserved*/) {
    sim::detail::KernelLock lock;
    ++State().connectedQueries;
    if (lpdwFlags) *lpdwFlags = 0;
    if (sim::TakeFault(sim::Op::InternetGetConnectedState) || !State().connected) return FALSE;
    if (lpdwFlags) *lpdwFlags = 0x02;  // INTERNET_CONNECTION_LAN
    return TRUE;
}

BOOL InternetCanonicalizeUrlA(const char* lpszUrl, char* lpszBuffer, DWORD* lpdwBufferLength,
                              DWORD dwFlags) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::InternetCanonicalizeUrl)) return FALSE;
    EXPECT_EQ(dwFlags, ICU_BROWSER_MODE) << "canonicalisation outside browser mode";
    std::string canonical = sim::CanonicalUrl(lpszUrl ? lpszUrl : "");
    // Too small: fail and report the size needed, the buffer untouched.
    if (canonical.size() + 1 > *lpdwBufferLength) {
        *lpdwBufferLength = static_cast<DWORD>(canonical.size() + 1);
        return FALSE;
    }
    std::memcpy(lpszBuffer, canonical.c_str(), canonical.size() + 1);
    *lpdwBufferLength = static_cast<DWORD>(canonical.size());
    return TRUE;
}

HINTERNET InternetOpenUrlA(HINTERNET hInternet, const char* lpszUrl, DWORD dwFlags) {
    sim::detail::KernelLock lock;
    std::string url = lpszUrl ? lpszUrl : "";
    State().opens.push_back(sim::UrlOpenCall{url, dwFlags, false});
    if (State().onOpen) lock.RunUnlocked([&] { State().onOpen(url); });
    // A failure leaves its reason as WinINet does: a connection that could
    // not be made, or a server that never answered within the time-out.
    sim::detail::SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
    if (sim::TakeFault(sim::Op::InternetOpenUrl)) return nullptr;
    sim::InetHandle* session = sim::Find(hInternet, "InternetOpenUrlA");
    if (!session || !session->session) return nullptr;
    auto it = State().answers.find(url);
    if (it == State().answers.end()) {
        ADD_FAILURE() << "simulated WinINet: no answer scripted for " << url;
        return nullptr;
    }
    if (it->second.unreachable) return nullptr;
    std::optional<DWORD> timeout;
    auto option = session->options.find(INTERNET_OPTION_RECEIVE_TIMEOUT);
    if (option != session->options.end()) timeout = option->second;
    if (it->second.silent) {
        sim::WaitForSilentServer(timeout, it->second, url, lock);
        sim::detail::SetLastError(ERROR_INTERNET_TIMEOUT);
        return nullptr;
    }
    sim::InetHandle handle;
    handle.url = sim::UrlState{url, it->second, 0, timeout};
    State().opens.back().succeeded = true;
    sim::detail::SetLastError(0);
    return sim::NewHandle(handle);
}

BOOL InternetReadFile(HINTERNET hFile, void* lpBuffer, DWORD dwNumberOfBytesToRead,
                      DWORD* lpdwNumberOfBytesRead) {
    sim::detail::KernelLock lock;
    *lpdwNumberOfBytesRead = 0;
    sim::InetHandle* handle = sim::Find(hFile, "InternetReadFile");
    if (!handle || handle->session) return FALSE;
    sim::UrlState& u = handle->url;
    sim::UrlReadCall call{u.url, dwNumberOfBytesToRead, 0, false};
    sim::Fault fault;
    bool faulted = sim::TakeFault(sim::Op::InternetReadFile, &fault);
    if ((faulted && fault.kind == sim::Fault::Fail) || sim::ReadFails(u)) {
        sim::detail::SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
        State().reads.push_back(call);
        return FALSE;
    }
    std::size_t n = sim::Deliverable(u, dwNumberOfBytesToRead);
    if (n == 0 && dwNumberOfBytesToRead > 0 && u.answer.stallAfter && u.position >= *u.answer.stallAfter) {
        sim::WaitForSilentServer(u.receiveTimeout, u.answer, u.url, lock);
        sim::detail::SetLastError(ERROR_INTERNET_TIMEOUT);
        State().reads.push_back(call);
        return FALSE;
    }
    if (faulted) n = std::min<std::size_t>(n, fault.bytes);
    if (n > 0) sim::AdvanceClock(u.answer.msPerRead);
    sim::CopyBody(u.answer, u.position, n, lpBuffer);
    u.position += n;
    *lpdwNumberOfBytesRead = static_cast<DWORD>(n);
    call.delivered = static_cast<DWORD>(n);
    call.succeeded = true;
    State().reads.push_back(call);
    return TRUE;
}

BOOL HttpQueryInfoNumber(HINTERNET hRequest, DWORD dwInfoLevel, DWORD* lpdwNumber) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::HttpQueryInfo)) return FALSE;
    sim::InetHandle* handle = sim::Find(hRequest, "HttpQueryInfoNumber");
    if (!handle || handle->session) return FALSE;
    const sim::HttpAnswer& answer = handle->url.answer;
    if (dwInfoLevel == HTTP_QUERY_STATUS_CODE) {
        *lpdwNumber = answer.status;
        return TRUE;
    }
    if (dwInfoLevel == HTTP_QUERY_CONTENT_LENGTH && answer.sendsContentLength) {
        *lpdwNumber = sim::AnnouncedLength(answer);
        return TRUE;
    }
    return FALSE;
}

BOOL InternetSetOptionNumber(HINTERNET hInternet, DWORD dwOption, DWORD dwValue) {
    sim::detail::KernelLock lock;
    sim::InetHandle* handle = sim::Find(hInternet, "InternetSetOptionNumber");
    if (!handle) return FALSE;
    handle->options[dwOption] = dwValue;
    return TRUE;
}

}  // namespace plat
