// A simulated machine with the program downloaded and its window open.
#pragma once
#include "install/SelfInstall.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimShell.h"
#include "tests/sim/SimThreads.h"

#include <gtest/gtest.h>

#include <string>

namespace installtest {

inline const std::string kInstallFolder = "C:\\ProgramData\\Veltrano\\";
inline const std::string kTarget = kInstallFolder + "tarnquill.exe";
inline const std::string kMarker = kInstallFolder + " Veltrano4.lnk";
// The staged image of the default process (GetCurrentProcessId 4242).
inline constexpr unsigned kPid = 4242;
inline const std::string kStaged = kTarget + ".4242.new";
inline const std::string kDownloaded = "C:\\Users\\user\\Downloads\\tarnquill.exe";
// The user's own copy, where the machine's folder cannot be used.
inline const std::string kOwnFolder = "C:\\Users\\user\\AppData\\Local\\Veltrano\\";
inline const std::string kOwnTarget = kOwnFolder + "tarnquill.exe";

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        m_hwnd = sim::CreateWindow(nullptr, 0, plat::RECT{0, 0, 640, 480});
    }
    void TearDown() override {
        EXPECT_EQ(0, sim::OpenHandleCount());
        EXPECT_EQ(0, sim::ComInitDepth());
        EXPECT_EQ(0, sim::LiveComObjects());
        EXPECT_EQ(0, sim::PendingAnswers());
    }

    // The running program: its file, module path and command line.
    void RunFrom(const std::string& path, const std::string& image, const std::string& commandLine) {
        ASSERT_TRUE(sim::PutFile(path, image));
        sim::SetModulePath(path);
        sim::SetCommandLine(commandLine);
    }
    void RunDownloaded(const std::string& image) {
        RunFrom(kDownloaded, image, "\"" + kDownloaded + "\"");
    }

    void Step(const char* ownVersion = "5.0") {
        RunSelfInstallStep(m_hwnd, ownVersion, m_exeDir, m_exeName);
    }

    int CloseMessages() const {
        int n = 0;
        for (const sim::SentMessage& m : sim::SentMessages())
            if (m.hwnd == m_hwnd && m.msg == plat::WM_CLOSE) ++n;
        return n;
    }
    // Installed: the target was started and the window asked to close.
    bool Relaunched(const std::string& target = kTarget) const {
        const auto starts = sim::ProcessStarts();
        return starts.size() == 1 && starts[0].application == target && CloseMessages() == 1;
    }
    bool NothingStartedOrClosed() const { return sim::ProcessStarts().empty() && CloseMessages() == 0; }

    plat::HWND m_hwnd = nullptr;
    char m_exeDir[256] = {};
    char m_exeName[256] = {};
};

}  // namespace installtest
