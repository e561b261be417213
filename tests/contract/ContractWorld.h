// The rules of the Windows seam are written once, as tests that reach
// Windows only through plat:: calls, and run against two worlds: the
// simulated Windows natively (SimWorld_contract.cpp) and the real calls
// under Wine (RealWorld_contract.cpp). What a case needs beyond plat:: calls
// the world supplies here. A rule on which the two worlds disagree is a
// fault of the simulation.
#pragma once
#include "platform/WinTypes.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace contract {

// Every contract case derives from this: a fresh world per test.
class WorldTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// An empty folder for this test on the system volume, no trailing backslash.
std::string Scratch();

// Starts a process whose image is a file in the scratch folder; returns its
// path. The process keeps running (doing nothing) until the test ends.
std::string StartRunningImage();

// An executable that can be started and ends by itself.
std::string StartableProgram();

// Moves recorded for the next restart, (from, to) as full paths, to empty for
// a delete.
std::vector<std::pair<std::string, std::string>> PendingMoves();

// An HTTP answer and the URL at which the world serves it.
struct Answer {
    plat::DWORD status = 200;
    std::string body;
    // The Content-Length header, none when unset.
    std::optional<plat::DWORD> contentLength;
};
std::string Serve(const std::string& path, const Answer& answer);
// A URL where the connection is refused.
std::string RefusedUrl();

// A link to a folder, planted as another local user would plant one (under
// Wine a Unix symbolic link, made in the prefix before the test runs); the
// folder it leads to holds the file "inside", reading "inside".
std::string PlantedFolderLink();
// From now on the test's calls run as an elevated administrator, as every
// process under Wine does.
void RunAsMachineAdministrator();

// A second name for an existing file (a hard link).
bool MakeHardLink(const std::string& existing, const std::string& newName);

// The target stored in a saved shell link, empty when there is none.
std::string LinkTarget(const std::string& linkPath);

// A top-level window with a frame at this screen rectangle, and a child
// window without borders at this rectangle of its parent's client area.
// They live until the test ends or DestroyTestWindow.
plat::HWND CreateFramedWindow(plat::RECT screenRect);
plat::HWND CreateChildWindow(plat::HWND parent, int controlId, plat::RECT rect);
void DestroyTestWindow(plat::HWND hwnd);
// Each message the window gets goes to the handler; what it leaves
// unanswered gets the default answer.
using MessageHandler = std::function<std::optional<plat::LRESULT>(plat::UINT, plat::WPARAM, plat::LPARAM)>;
void HandleMessages(plat::HWND hwnd, MessageHandler handler);
// Shows or hides a test window, as a box that opens and closes.
void ShowTestWindow(plat::HWND hwnd, bool visible);
// Lets worker threads run and delivers posted messages until done() is
// true; false when that took more than ten seconds.
bool PumpUntil(const std::function<bool()>& done);

}  // namespace contract
