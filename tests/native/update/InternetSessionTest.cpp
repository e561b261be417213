// The session, the connectivity test, URL opening and the streamed download.
#include "UpdateWorld.h"
#include "tests/StdString.h"

#include "platform/Inet.h"
#include "tests/sim/SimFaults.h"

#include <string>

using namespace updtest;

namespace {

const std::string kUrl = "http://" TQ_HOST "/file.bin";
const std::string kTarget = "C:\\Users\\user\\AppData\\Local\\Temp\\file.bin";

std::string Bytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
    return s;
}

class Session : public UpdateWorld {
protected:
    // Opens kUrl, downloads it into kTarget and closes the handle.
    bool Download(const sim::HttpAnswer& answer) {
        sim::ServeUrl(kUrl, answer);
        CString url = kUrl.c_str();
        plat::HINTERNET h = Updater().OpenUrl(url);
        EXPECT_NE(h, nullptr);
        bool ok = Updater().DownloadToFile(h, kTarget.c_str());
        plat::InternetCloseHandle(h);
        return ok;
    }

    std::vector<plat::DWORD> ReadSizes() {
        std::vector<plat::DWORD> sizes;
        for (const auto& r : sim::UrlReads()) sizes.push_back(r.delivered);
        return sizes;
    }
};

TEST_F(Session, OpensOneSynchronousSessionAtTheFirstNeedAndClosesItOnDestruction) {
    Updater();
    EXPECT_TRUE(sim::InternetOpens().empty()) << "opened before anything needed it";
    EXPECT_TRUE(Updater().IsConnected());
    sim::ServeBody(kUrl, "x");
    CString url = kUrl.c_str();
    plat::InternetCloseHandle(Updater().OpenUrl(url));
    ASSERT_EQ(sim::InternetOpens().size(), 1u);
    sim::InternetOpenCall call = sim::InternetOpens()[0];
    EXPECT_EQ(call.agent, "AutoUpdateAgent");
    EXPECT_EQ(call.accessType, plat::INTERNET_OPEN_TYPE_PRECONFIG);
    EXPECT_FALSE(call.proxyGiven);
    EXPECT_FALSE(call.bypassGiven);
    EXPECT_EQ(call.flags, 0u);
    EXPECT_NE(Updater().m_hSession, nullptr);
    EXPECT_EQ(sim::OpenSessionCount(), 1);
    updater.reset();
    EXPECT_EQ(sim::OpenSessionCount(), 0);
}

TEST_F(Session, WithoutASessionNothingIsAskedOfTheNetwork) {
    sim::InjectFault(sim::Op::InternetOpen, 1);
    EXPECT_EQ(Updater().m_hSession, nullptr);
    EXPECT_FALSE(Updater().IsConnected());
    EXPECT_EQ(sim::ConnectedStateQueries(), 0);
    EXPECT_EQ(Check(), NotConnected);
    EXPECT_TRUE(sim::OpenedUrls().empty());
    updater.reset();
    EXPECT_EQ(sim::CallCount(sim::Op::InternetCloseHandle), 0);
}

TEST_F(Session, IsConnectedFollowsTheSystemState) {
    EXPECT_TRUE(Updater().IsConnected());
    sim::SetConnected(false);
    EXPECT_FALSE(Updater().IsConnected());
    EXPECT_EQ(sim::ConnectedStateQueries(), 2);
}

TEST_F(Session, OpenUrlBypassesTheCacheWritesNothingToItAndHandsBackTheCanonicalForm) {
    const std::string raw = "http://" TQ_HOST "/a b/file.bin";
    const std::string canonical = "http://" TQ_HOST "/a%20b/file.bin";
    sim::ServeBody(canonical, "x");
    CString url = raw.c_str();
    plat::HINTERNET h = Updater().OpenUrl(url);
    ASSERT_NE(h, nullptr);
    plat::InternetCloseHandle(h);
    EXPECT_EQ(StdString(url), canonical);
    ASSERT_EQ(sim::UrlOpens().size(), 1u);
    EXPECT_EQ(sim::UrlOpens()[0].url, canonical);
    // RELOAD | RESYNCHRONIZE | HYPERLINK | NO_CACHE_WRITE, never NEED_FILE.
    EXPECT_EQ(sim::UrlOpens()[0].flags, 0x84000c00u);
}

TEST_F(Session, AFailedOpenStillHandsBackTheCanonicalForm) {
    sim::HttpAnswer refused;
    refused.unreachable = true;
    sim::ServeUrl("http://" TQ_HOST "/a%20b", refused);
    CString url = "http://" TQ_HOST "/a b";
    EXPECT_EQ(Updater().OpenUrl(url), nullptr);
    EXPECT_EQ(StdString(url), "http://" TQ_HOST "/a%20b");
}

TEST_F(Session, ACanonicalFormBeyond1024BytesOpensNothingAndKeepsTheCallersString) {
    // 400 blanks fit as given but not once each becomes %20.
    const std::string raw = "http://" TQ_HOST "/" + std::string(400, ' ') + "x";
    ASSERT_LT(raw.size(), 1024u);
    ASSERT_GT(sim::CanonicalUrl(raw).size(), 1024u);
    CString url = raw.c_str();
    EXPECT_EQ(Updater().OpenUrl(url), nullptr);
    EXPECT_EQ(StdString(url), raw);
    EXPECT_TRUE(sim::UrlOpens().empty());
}

TEST_F(Session, ReadChunkIsTrueOnlyWhenBytesArrived) {
    sim::ServeBody(kUrl, "");
    CString url = kUrl.c_str();
    plat::HINTERNET h = Updater().OpenUrl(url);
    char buffer[16] = {};
    EXPECT_FALSE(Updater().ReadChunk(h, buffer, sizeof buffer));
    plat::InternetCloseHandle(h);

    sim::ServeBody(kUrl, "5.0.0.1");
    h = Updater().OpenUrl(url);
    EXPECT_TRUE(Updater().ReadChunk(h, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "5.0.0.1");
    plat::InternetCloseHandle(h);

    sim::HttpAnswer failing;
    failing.body = "abc";
    failing.failAfter = 0;
    sim::ServeUrl(kUrl, failing);
    h = Updater().OpenUrl(url);
    EXPECT_FALSE(Updater().ReadChunk(h, buffer, sizeof buffer));
    plat::InternetCloseHandle(h);
}

TEST_F(Session, DownloadStreamsWholeBodiesThroughOne4096BytePiece) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096},
                             std::size_t{4097}, std::size_t{8192}, std::size_t{100000}}) {
        SCOPED_TRACE(size);
        sim::ResetInet();
        Updater();
        sim::HttpAnswer answer;
        answer.body = Bytes(size);
        EXPECT_TRUE(Download(answer));
        EXPECT_EQ(sim::ReadFileBytes(kTarget), answer.body);
        for (const auto& read : sim::UrlReads()) EXPECT_EQ(read.asked, 4096u);
        // The last read is the one that reports the end.
        ASSERT_FALSE(sim::UrlReads().empty());
        EXPECT_EQ(sim::UrlReads().back().delivered, 0u);
        EXPECT_EQ(sim::UrlReads().size(), size / 4096 + (size % 4096 ? 1 : 0) + 1);
        updater.reset();
    }
}

TEST_F(Session, DownloadAcceptsSmallPiecesAndAnswersWithoutALength) {
    sim::HttpAnswer answer;
    answer.body = Bytes(5000);
    answer.pieceSize = 1500;
    answer.sendsContentLength = false;
    EXPECT_TRUE(Download(answer));
    EXPECT_EQ(sim::ReadFileBytes(kTarget), answer.body);
    EXPECT_EQ(ReadSizes(), (std::vector<plat::DWORD>{1500, 1500, 1500, 500, 0}));
}

TEST_F(Session, ABodyShorterThanAnnouncedIsAFailedDownload) {
    sim::HttpAnswer answer;
    answer.body = Bytes(6000);
    answer.contentLength = 10000;
    EXPECT_FALSE(Download(answer));

    answer.failAtEnd = true;
    EXPECT_FALSE(Download(answer));
}

TEST_F(Session, AReadFailureMidwayFailsAndLeavesTheBytesWrittenSoFar) {
    sim::HttpAnswer answer;
    answer.body = Bytes(10000);
    answer.failAfter = 4096;
    EXPECT_FALSE(Download(answer));
    EXPECT_EQ(sim::ReadFileBytes(kTarget), answer.body.substr(0, 4096));
}

TEST_F(Session, AShortWriteFailsTheDownload) {
    sim::InjectFault(sim::Op::WriteFile, 2, sim::Fault::Short(100));
    sim::HttpAnswer answer;
    answer.body = Bytes(9000);
    EXPECT_FALSE(Download(answer));
    EXPECT_EQ(sim::ReadFileBytes(kTarget), answer.body.substr(0, 4096 + 100));
}

TEST_F(Session, ATargetThatCannotBeWrittenFailsWithoutReading) {
    sim::PutFile(kTarget, "busy");
    sim::SetRunningImage(kTarget, true);
    sim::HttpAnswer answer;
    answer.body = Bytes(10);
    EXPECT_FALSE(Download(answer));
    EXPECT_TRUE(sim::UrlReads().empty());
    EXPECT_EQ(sim::ReadFileBytes(kTarget), "busy");
    sim::SetRunningImage(kTarget, false);
}

TEST_F(Session, AnExistingTargetIsTruncated) {
    sim::PutFile(kTarget, Bytes(20000));
    sim::HttpAnswer answer;
    answer.body = "short";
    EXPECT_TRUE(Download(answer));
    EXPECT_EQ(sim::ReadFileBytes(kTarget), "short");
}

TEST_F(Session, ModulePathIsTheRunningExecutable) {
    EXPECT_EQ(StdString(Updater().GetModulePath()), kExe);
}

}  // namespace
