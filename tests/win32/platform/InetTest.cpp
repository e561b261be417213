// WinINet through the platform layer against a loopback server thread: what
// the update logic relies on when it reads status, length and body.
#include "platform/Inet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <winsock2.h>
#include <windows.h>

namespace {

// Answers each connection with the scripted reply for its path, then closes.
class LoopbackServer {
public:
    LoopbackServer() {
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
        thread_ = CreateThread(nullptr, 0, &LoopbackServer::Serve, this, 0, nullptr);
    }
    ~LoopbackServer() {
        closesocket(listener_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        WSACleanup();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string Url(const char* path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    std::vector<std::string> agents;

private:
    static std::string Reply(const std::string& path) {
        if (path == "/hello") return "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";
        if (path == "/missing")
            return "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found";
        if (path == "/nolength") return "HTTP/1.0 200 OK\r\nConnection: close\r\n\r\nuntil the end";
        if (path == "/short")
            return "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n0123456789";
        return "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }

    static DWORD WINAPI Serve(void* self) {
        auto* server = static_cast<LoopbackServer*>(self);
        for (;;) {
            SOCKET c = accept(server->listener_, nullptr, nullptr);
            if (c == INVALID_SOCKET) return 0;
            std::string request;
            char buf[2048];
            int got;
            while (request.find("\r\n\r\n") == std::string::npos && (got = recv(c, buf, sizeof buf, 0)) > 0)
                request.append(buf, got);
            const std::size_t sp = request.find(' ');
            const std::string path = request.substr(sp + 1, request.find(' ', sp + 1) - sp - 1);
            const std::size_t ua = request.find("User-Agent: ");
            if (ua != std::string::npos)
                server->agents.push_back(request.substr(ua + 12, request.find("\r\n", ua) - ua - 12));
            const std::string reply = Reply(path);
            send(c, reply.data(), static_cast<int>(reply.size()), 0);
            shutdown(c, SD_SEND);
            closesocket(c);
        }
    }

    SOCKET listener_;
    unsigned short port_ = 0;
    HANDLE thread_;
};

constexpr plat::DWORD kFlags = plat::INTERNET_FLAG_RELOAD | plat::INTERNET_FLAG_RESYNCHRONIZE |
                               plat::INTERNET_FLAG_HYPERLINK | plat::INTERNET_FLAG_NEED_FILE;

class Inet : public ::testing::Test {
protected:
    void SetUp() override {
        session_ = plat::InternetOpenA("AutoUpdateAgent", plat::INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        ASSERT_NE(nullptr, session_);
    }
    void TearDown() override { plat::InternetCloseHandle(session_); }

    // The whole body, read the way the download does; false when a read failed.
    static bool ReadAll(plat::HINTERNET h, std::string* body) {
        char piece[4096];
        for (;;) {
            plat::DWORD got = 0xdeadbeef;
            if (!plat::InternetReadFile(h, piece, sizeof piece, &got)) return false;
            if (got == 0) return true;
            body->append(piece, got);
        }
    }

    LoopbackServer server_;
    plat::HINTERNET session_ = nullptr;
};

TEST_F(Inet, StatusLengthAndBodyOfAnAnswerWithTheAgentName) {
    plat::HINTERNET h = plat::InternetOpenUrlA(session_, server_.Url("/hello").c_str(), kFlags);
    ASSERT_NE(nullptr, h);
    plat::DWORD status = 0, length = 0;
    EXPECT_TRUE(plat::HttpQueryInfoNumber(h, plat::HTTP_QUERY_STATUS_CODE, &status));
    EXPECT_EQ(200u, status);
    EXPECT_TRUE(plat::HttpQueryInfoNumber(h, plat::HTTP_QUERY_CONTENT_LENGTH, &length));
    EXPECT_EQ(5u, length);
    std::string body;
    EXPECT_TRUE(ReadAll(h, &body));
    EXPECT_EQ("hello", body);
    plat::InternetCloseHandle(h);
    ASSERT_FALSE(server_.agents.empty());
    EXPECT_EQ("AutoUpdateAgent", server_.agents.back());
}

TEST_F(Inet, ErrorStatusStillOpensAndItsBodyReads) {
    plat::HINTERNET h = plat::InternetOpenUrlA(session_, server_.Url("/missing").c_str(), kFlags);
    ASSERT_NE(nullptr, h);
    plat::DWORD status = 0;
    EXPECT_TRUE(plat::HttpQueryInfoNumber(h, plat::HTTP_QUERY_STATUS_CODE, &status));
    EXPECT_EQ(404u, status);
    std::string body;
    EXPECT_TRUE(ReadAll(h, &body));
    EXPECT_EQ("not found", body);
    plat::InternetCloseHandle(h);
}

TEST_F(Inet, MissingLengthIsReportedAsNoneAndTheBodyRunsToTheClose) {
    plat::HINTERNET h = plat::InternetOpenUrlA(session_, server_.Url("/nolength").c_str(), kFlags);
    ASSERT_NE(nullptr, h);
    plat::DWORD length = 0xdeadbeef;
    EXPECT_FALSE(plat::HttpQueryInfoNumber(h, plat::HTTP_QUERY_CONTENT_LENGTH, &length));
    EXPECT_EQ(0xdeadbeefu, length);
    std::string body;
    EXPECT_TRUE(ReadAll(h, &body));
    EXPECT_EQ("until the end", body);
    plat::InternetCloseHandle(h);
}

TEST_F(Inet, ACutBodyDeliversFewerBytesThanAnnounced) {
    plat::HINTERNET h = plat::InternetOpenUrlA(session_, server_.Url("/short").c_str(), kFlags);
    ASSERT_NE(nullptr, h);
    plat::DWORD length = 0;
    EXPECT_TRUE(plat::HttpQueryInfoNumber(h, plat::HTTP_QUERY_CONTENT_LENGTH, &length));
    EXPECT_EQ(100u, length);
    std::string body;
    ReadAll(h, &body);  // ends with a failed read or an early end, never more bytes
    EXPECT_EQ("0123456789", body);
    plat::InternetCloseHandle(h);
}

TEST_F(Inet, RefusedConnectionGivesNoHandle) {
    // Port 1 on the loopback: nothing listens there.
    EXPECT_EQ(nullptr, plat::InternetOpenUrlA(session_, "http://127.0.0.1:1/x", kFlags));
    plat::DWORD flags = 0;
    EXPECT_TRUE(plat::InternetGetConnectedState(&flags, 0));
}

TEST(InetCanonical, BrowserModeKeepsPlainUrlsAndReportsAShortBuffer) {
    char out[1024];
    plat::DWORD len = sizeof out;
    ASSERT_TRUE(plat::InternetCanonicalizeUrlA("http://www.veltrano.example/tarnquill/update/update.txt", out, &len,
                                               plat::ICU_BROWSER_MODE));
    EXPECT_STREQ("http://www.veltrano.example/tarnquill/update/update.txt", out);
    EXPECT_EQ(std::string(out).size(), len);

    char tiny[8];
    plat::DWORD tinyLen = sizeof tiny;
    EXPECT_FALSE(plat::InternetCanonicalizeUrlA("http://www.veltrano.example/tarnquill/", tiny, &tinyLen,
                                                plat::ICU_BROWSER_MODE));
    EXPECT_GT(tinyLen, sizeof tiny);
}

}  // namespace
