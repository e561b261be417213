// The contract's world on the simulated Windows: a fresh machine per test.
#include "tests/contract/ContractWorld.h"
#include "tests/sim/SimInet.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimSecurity.h"
#include "tests/sim/SimShell.h"
#include "tests/sim/SimThreads.h"

namespace contract {
namespace {

const char kScratch[] = "C:\\Users\\user\\AppData\\Local\\Temp\\contract";
const char kServer[] = "http://127.0.0.1:8080";

}  // namespace

void WorldTest::SetUp() {
    sim::Reset();
    ASSERT_TRUE(sim::MakeFolder(kScratch));
    // The running program's image is on the disk, as on Windows.
    ASSERT_TRUE(sim::PutFile(sim::ModulePath(), sim::MakeExecutableImage("5.0.0.0")));
    sim::SetRunningImage(sim::ModulePath(), true);
}

void WorldTest::TearDown() {}

std::string Scratch() { return kScratch; }

std::string PlantedFolderLink() {
    const std::string target = Scratch() + "\\link-target", link = Scratch() + "\\link";
    EXPECT_TRUE(sim::PutFile(target + "\\inside", "inside"));
    EXPECT_TRUE(sim::MakeLink(link, target, true, sim::kSymlinkTag));
    return link;
}

void RunAsMachineAdministrator() { sim::SetCurrentUser(sim::Account::Administrators); }

bool MakeHardLink(const std::string& existing, const std::string& newName) { return sim::HardLink(existing, newName); }

std::string StartRunningImage() {
    const std::string path = Scratch() + "\\running.exe";
    EXPECT_TRUE(sim::PutFile(path, sim::MakeExecutableImage("1.0")));
    sim::SetRunningImage(path, true);
    return path;
}

std::string StartableProgram() {
    const std::string path = Scratch() + "\\program.exe";
    EXPECT_TRUE(sim::PutFile(path, sim::MakeExecutableImage("1.0")));
    return path;
}

std::vector<std::pair<std::string, std::string>> PendingMoves() {
    std::vector<std::pair<std::string, std::string>> moves;
    for (const sim::PendingMove& m : sim::PendingMoves()) moves.emplace_back(m.from, m.to);
    return moves;
}

std::string Serve(const std::string& path, const Answer& answer) {
    sim::HttpAnswer scripted;
    scripted.status = answer.status;
    scripted.body = answer.body;
    scripted.contentLength = answer.contentLength;
    scripted.sendsContentLength = answer.contentLength.has_value();
    sim::ServeUrl(kServer + path, scripted);
    return kServer + path;
}

std::string RefusedUrl() {
    sim::HttpAnswer refused;
    refused.unreachable = true;
    sim::ServeUrl("http://127.0.0.1:1/x", refused);
    return "http://127.0.0.1:1/x";
}

std::string LinkTarget(const std::string& linkPath) {
    const auto link = sim::ReadLink(linkPath);
    return link ? link->target : std::string();
}

plat::HWND CreateFramedWindow(plat::RECT screenRect) {
    return sim::CreateWindow(nullptr, 0, screenRect, {4, 30, 4, 4});
}

plat::HWND CreateChildWindow(plat::HWND parent, int controlId, plat::RECT rect) {
    return sim::CreateWindow(parent, controlId, rect);
}

void DestroyTestWindow(plat::HWND hwnd) { sim::DestroyWindow(hwnd); }

void HandleMessages(plat::HWND hwnd, MessageHandler handler) {
    sim::SetMessageHandler(hwnd, [handler](plat::UINT msg, plat::WPARAM wp, plat::LPARAM lp) {
        return handler(msg, wp, lp).value_or(0);
    });
}

void ShowTestWindow(plat::HWND hwnd, bool visible) { sim::ShowWindow(hwnd, visible); }

bool PumpUntil(const std::function<bool()>& done) {
    // Workers run only when pumped: what they leave undone stays undone.
    sim::Pump();
    return done();
}

}  // namespace contract
