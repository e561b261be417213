#include "tests/contract/LoopbackServer.h"

namespace contract {

LoopbackServer::LoopbackServer() {
    InitializeCriticalSection(&lock_);
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(listener_, 8);
    thread_ = CreateThread(nullptr, 0, &LoopbackServer::Run, this, 0, nullptr);
}

LoopbackServer::~LoopbackServer() {
    closesocket(listener_);  // ends the accept loop
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    WSACleanup();
    DeleteCriticalSection(&lock_);
}

std::string LoopbackServer::Serve(const std::string& path, const std::string& reply) {
    EnterCriticalSection(&lock_);
    replies_[path] = reply;
    LeaveCriticalSection(&lock_);
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string LoopbackServer::ReplyFor(const std::string& path) {
    EnterCriticalSection(&lock_);
    const auto it = replies_.find(path);
    std::string reply = it != replies_.end() ? it->second : "HTTP/1.1 500 Unscripted\r\nContent-Length: 0\r\n\r\n";
    LeaveCriticalSection(&lock_);
    return reply;
}

void LoopbackServer::Answer(SOCKET connection) {
    std::string request;
    char buf[2048];
    int got = 0;
    while (request.find("\r\n\r\n") == std::string::npos && (got = recv(connection, buf, sizeof buf, 0)) > 0)
        request.append(buf, got);
    const std::size_t sp = request.find(' ');
    const std::string target = sp == std::string::npos ? "" : request.substr(sp + 1, request.find(' ', sp + 1) - sp - 1);
    // A proxy request carries the absolute address: keep only the path.
    const std::size_t scheme = target.find("://");
    const std::size_t slash = scheme == std::string::npos ? 0 : target.find('/', scheme + 3);
    const std::string reply = ReplyFor(slash == std::string::npos ? "/" : target.substr(slash));
    send(connection, reply.data(), static_cast<int>(reply.size()), 0);
    shutdown(connection, SD_SEND);
    closesocket(connection);
}

DWORD WINAPI LoopbackServer::Run(void* self) {
    auto* server = static_cast<LoopbackServer*>(self);
    for (;;) {
        SOCKET c = accept(server->listener_, nullptr, nullptr);
        if (c == INVALID_SOCKET) return 0;
        server->Answer(c);
    }
}

}  // namespace contract
