// A loopback HTTP server on a thread of the test program: each connection
// gets the reply scripted for the request's path, then the server closes it.
#pragma once
#include <map>
#include <string>

#include <winsock2.h>
#include <windows.h>

namespace contract {

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // The raw reply (status line, headers and body) for a path; its URL.
    std::string Serve(const std::string& path, const std::string& reply);

private:
    static DWORD WINAPI Run(void* self);
    void Answer(SOCKET connection);
    std::string ReplyFor(const std::string& path);

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE thread_ = nullptr;
    CRITICAL_SECTION lock_;
    std::map<std::string, std::string> replies_;
};

}  // namespace contract
