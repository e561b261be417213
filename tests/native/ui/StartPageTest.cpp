// The start-page address for the running executable's file version.
#include "BuildConfig.h"
#include "browser/StartPage.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kPrefix = TQ_SCHEME "://" TQ_HOST "/tarnquill/?software=";

TEST(StartPageAddress, AppendsTheVersionWithoutSeparatorOrEscaping) {
    EXPECT_EQ(std::string(StartPageAddress("5.0")), kPrefix + "5.0");
    EXPECT_EQ(std::string(StartPageAddress("")), kPrefix);
    EXPECT_EQ(std::string(StartPageAddress("a b&c")), kPrefix + "a b&c");
}

class StartPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        sim::SetModulePath(kExe);
    }
    const std::string kExe = "C:\\ProgramData\\Veltrano\\tarnquill.exe";
};

TEST_F(StartPageTest, CarriesTheRunningExecutablesFileVersion) {
    struct Case {
        const char* fileVersion;
        const char* query;
    };
    for (const Case& c : {Case{"5.0.0.0", "5.0"}, Case{"5.0.0.1", "5.0.0.1"}, Case{"5.2.0.0", "5.2"},
                          Case{"0.0.0.0", ""}}) {
        sim::PutFile(kExe, sim::MakeExecutableImage(c.fileVersion));
        StartPageInfo page = MakeStartPage();

        EXPECT_EQ(std::string(page.modulePath), kExe) << c.fileVersion;
        EXPECT_EQ(std::string(page.version), c.query) << c.fileVersion;
        EXPECT_EQ(std::string(page.address), kPrefix + c.query) << c.fileVersion;
    }
}

TEST_F(StartPageTest, WithoutVersionDataTheQueryValueIsEmpty) {
    sim::PutFile(kExe, sim::MakeExecutableImageWithoutVersion());
    StartPageInfo page = MakeStartPage();

    EXPECT_TRUE(page.version.IsEmpty());
    EXPECT_EQ(std::string(page.address), kPrefix);
}

}  // namespace
