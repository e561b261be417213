// WinINet's answers as the update reads them: status, announced length and
// body, a body cut short, and a connection refused.
#include "platform/Inet.h"
#include "tests/contract/ContractWorld.h"

#include <cstring>
#include <tuple>

using namespace plat;

namespace contract {
namespace {

constexpr DWORD kFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_HYPERLINK | INTERNET_FLAG_NEED_FILE;

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

TEST_F(Inet, StatusLengthAndBodyOfEachAnswer) {
    const std::string ok = Serve("/hello", {200, "hello", 5u});
    const std::string missing = Serve("/missing", {404, "not found", 9u});
    for (const auto& [url, status, body] : {std::make_tuple(ok, 200u, "hello"),
                                            std::make_tuple(missing, 404u, "not found")}) {
        HINTERNET h = Open(url);
        ASSERT_NE(nullptr, h) << url;
        DWORD number = 0;
        EXPECT_TRUE(HttpQueryInfoNumber(h, HTTP_QUERY_STATUS_CODE, &number));
        EXPECT_EQ(status, number);
        EXPECT_TRUE(HttpQueryInfoNumber(h, HTTP_QUERY_CONTENT_LENGTH, &number));
        EXPECT_EQ(std::strlen(body), number);
        std::string got;
        EXPECT_TRUE(ReadAll(h, &got));
        EXPECT_EQ(body, got);
        InternetCloseHandle(h);
    }
}

TEST_F(Inet, WithoutALengthTheBodyRunsToTheClose) {
    HINTERNET h = Open(Serve("/nolength", {200, "until the end", std::nullopt}));
    ASSERT_NE(nullptr, h);
    DWORD length = 0xdeadbeef;
    EXPECT_FALSE(HttpQueryInfoNumber(h, HTTP_QUERY_CONTENT_LENGTH, &length));
    EXPECT_EQ(0xdeadbeefu, length);
    std::string body;
    EXPECT_TRUE(ReadAll(h, &body));
    EXPECT_EQ("until the end", body);
    InternetCloseHandle(h);
}

TEST_F(Inet, ACutBodyDeliversOnlyWhatWasSent) {
    HINTERNET h = Open(Serve("/short", {200, "0123456789", 100u}));
    ASSERT_NE(nullptr, h);
    DWORD length = 0;
    EXPECT_TRUE(HttpQueryInfoNumber(h, HTTP_QUERY_CONTENT_LENGTH, &length));
    EXPECT_EQ(100u, length);
    std::string body;
    ReadAll(h, &body);  // an early end or a failed read: the caller compares lengths
    EXPECT_EQ("0123456789", body);
    InternetCloseHandle(h);
}

TEST_F(Inet, ARefusedConnectionGivesNoHandle) {
    EXPECT_EQ(nullptr, Open(RefusedUrl()));
}

TEST(InetCanonical, BrowserModeEscapesBlanksBeforeTheQueryAndReportsAShortBuffer) {
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
