// WinINet's answers as the update reads them: status, announced length and
// body, a body cut short, and a connection refused.
#include "platform/Inet.h"
#include "platform/Threads.h"
#include "tests/contract/ContractWorld.h"

#include <cstring>
#include <string>

using namespace plat;

namespace contract {
namespace {

constexpr DWORD kFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_HYPERLINK | INTERNET_FLAG_NO_CACHE_WRITE;

class Inet : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        session_ = InternetOpenA("AutoUpdateAgent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        ASSERT_NE(nullptr, session_);
    }
    void TearDown() override {
        if (session_) InternetCloseHandle(session_);
        WorldTest::TearDown();
    }

    HINTERNET Open(const std::string& url) { return InternetOpenUrlA(session_, url.c_str(), kFlags); }

    // The body read the way the download does; false when a read failed.
    static bool ReadAll(HINTERNET h, std::string* body) {
        char piece[4096];
        for (;;) {
            DWORD got = 0xdeadbeef;
            if (!InternetReadFile(h, piece, sizeof piece, &got)) return false;
            if (got == 0) return true;
            body->append(piece, got);
        }
    }

    HINTERNET session_ = nullptr;
};

// Each answer's status, announced length (or none) and body. A body cut
// short ends early or with a failed read, never with bytes not sent: the
// caller compares what it got with the announced length.
TEST_F(Inet, StatusLengthAndBodyAsTheServerSentThem) {
    const Answer answers[] = {{200, "hello", 5u}, {404, "not found", 9u}, {200, "until the end", std::nullopt},
                              {200, "0123456789", 100u}};
    for (const Answer& answer : answers) {
        HINTERNET h = Open(Serve("/" + std::to_string(&answer - answers), answer));
        ASSERT_NE(nullptr, h) << answer.body;
        DWORD status = 0, length = 0xdeadbeef;
        EXPECT_TRUE(HttpQueryInfoNumber(h, HTTP_QUERY_STATUS_CODE, &status));
        EXPECT_EQ(answer.status, status);
        EXPECT_EQ(answer.contentLength.has_value(), HttpQueryInfoNumber(h, HTTP_QUERY_CONTENT_LENGTH, &length) != 0);
        EXPECT_EQ(answer.contentLength.value_or(0xdeadbeef), length);
        std::string body;
        const bool complete = ReadAll(h, &body);
        EXPECT_TRUE(complete || body.size() < length) << answer.body;
        EXPECT_EQ(answer.body, body);
        InternetCloseHandle(h);
    }
}

TEST_F(Inet, ARefusedConnectionGivesNoHandleAndSaysSo) {
    EXPECT_EQ(nullptr, Open(RefusedUrl()));
    EXPECT_EQ(ERROR_INTERNET_CANNOT_CONNECT, GetLastError());
}

TEST(InetCanonical, BrowserModeMendsOnlyThePathAndReportsAShortBuffer) {
    char out[256];
    DWORD len = sizeof out;
    ASSERT_TRUE(InternetCanonicalizeUrlA("http://www.veltrano.example/tarnquill/update/a b.txt?x y", out, &len,
                                         ICU_BROWSER_MODE));
    EXPECT_STREQ("http://www.veltrano.example/tarnquill/update/a%20b.txt?x y", out);
    EXPECT_EQ(std::strlen(out), len);

    // Backslashes in the path are slashes; after a '#' nothing changes.
    len = sizeof out;
    ASSERT_TRUE(InternetCanonicalizeUrlA("http://h/a\\b/<^|>#c d", out, &len, ICU_BROWSER_MODE));
    EXPECT_STREQ("http://h/a/b/%3C%5E%7C%3E#c d", out);

    char tiny[8];
    len = sizeof tiny;
    EXPECT_FALSE(InternetCanonicalizeUrlA("http://www.veltrano.example/tarnquill/", tiny, &len, ICU_BROWSER_MODE));
    EXPECT_EQ(std::strlen("http://www.veltrano.example/tarnquill/") + 1, len);
}

}  // namespace
}  // namespace contract
