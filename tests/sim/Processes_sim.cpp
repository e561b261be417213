// Other processes and their windows, as the removal sees them: programs a
// test runs beside this one (SimProcesses.h), each with its image and one
// window, and this process itself (its module path, the windows a test made).
#include "platform/Processes.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimProcesses.h"
#include "tests/sim/SimThreads.h"
#include "platform/Threads.h"

#include <cstring>
#include <map>

namespace sim {
namespace {

struct Program {
    std::string image;
    bool closesWhenAsked = true;
    bool running = true;
    int closeRequests = 0;
};

struct ProgramsState {
    std::map<plat::DWORD, Program> programs;
    plat::DWORD next = 0x9000;
};

ProgramsState& State() {
    static ProgramsState state;
    return state;
}

void End(plat::DWORD pid, Program& program) {
    program.running = false;
    detail::DestroyWindowsOf(pid);
    // This process may run the same file: then it stays a running image.
    if (detail::Key(program.image) != detail::Key(ModulePath())) SetRunningImage(program.image, false);
}

}  // namespace

namespace detail {

void OtherProgramGets(plat::DWORD process, plat::UINT msg) {
    auto it = State().programs.find(process);
    if (it == State().programs.end() || !it->second.running || msg != plat::WM_CLOSE) return;
    ++it->second.closeRequests;
    if (it->second.closesWhenAsked) End(process, it->second);
}

bool OtherProgramEnded(plat::DWORD process, bool* ended) {
    auto it = State().programs.find(process);
    if (it == State().programs.end()) return false;
    *ended = !it->second.running;
    return true;
}

void ResetOtherPrograms() { State() = ProgramsState{}; }

}  // namespace detail

OtherProgram RunOtherProgram(const std::string& imagePath, bool closesWhenAsked) {
    detail::KernelLock lock;
    const plat::DWORD pid = State().next;
    State().next += 4;
    State().programs[pid] = Program{imagePath, closesWhenAsked, true, 0};
    SetRunningImage(imagePath, true);
    const plat::HWND window = CreateWindow(nullptr, 0, plat::RECT{0, 0, 640, 480});
    detail::SetWindowProcess(window, pid);
    ShowWindow(window, true);
    return OtherProgram{pid, window};
}

bool OtherProgramRuns(plat::DWORD processId) {
    detail::KernelLock lock;
    auto it = State().programs.find(processId);
    return it != State().programs.end() && it->second.running;
}

int CloseRequests(plat::DWORD processId) {
    detail::KernelLock lock;
    auto it = State().programs.find(processId);
    return it == State().programs.end() ? 0 : it->second.closeRequests;
}

}  // namespace sim

namespace plat {

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> windows;
    {
        sim::detail::KernelLock lock;
        windows = sim::detail::TopLevelWindows();
    }
    // The callback runs the caller's code, which makes calls of its own.
    for (HWND h : windows)
        if (!lpEnumFunc(h, lParam)) return FALSE;
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* lpdwProcessId) {
    sim::detail::KernelLock lock;
    DWORD process = 0;
    bool visible = false;
    if (!sim::detail::WindowOf(hWnd, &process, &visible)) return 0;
    if (!process) process = GetCurrentProcessId();
    if (lpdwProcessId) *lpdwProcessId = process;
    return process + 1;  // a thread id of its own
}

BOOL IsWindowVisible(HWND hWnd) {
    sim::detail::KernelLock lock;
    DWORD process = 0;
    bool visible = false;
    return sim::detail::WindowOf(hWnd, &process, &visible) && visible;
}

HANDLE OpenProcess(DWORD /*dwDesiredAccess*/, DWORD dwProcessId) {
    sim::detail::KernelLock lock;
    const bool own = dwProcessId == GetCurrentProcessId();
    auto it = sim::State().programs.find(dwProcessId);
    if (!own && (it == sim::State().programs.end() || !it->second.running)) return nullptr;
    sim::detail::HandleEntry process;
    process.kind = sim::detail::HandleKind::Process;
    process.processId = dwProcessId;
    return sim::detail::NewHandle(process);
}

BOOL QueryFullProcessImageNameA(HANDLE hProcess, char* lpExeName, DWORD* lpdwSize) {
    sim::detail::KernelLock lock;
    auto* entry = sim::detail::FindHandle(hProcess, "QueryFullProcessImageNameA");
    if (!entry || entry->kind != sim::detail::HandleKind::Process || !lpExeName || !lpdwSize) return FALSE;
    auto it = sim::State().programs.find(entry->processId);
    const std::string image = it != sim::State().programs.end() ? it->second.image : sim::ModulePath();
    if (image.size() + 1 > *lpdwSize) return FALSE;
    std::memcpy(lpExeName, image.c_str(), image.size() + 1);
    *lpdwSize = static_cast<DWORD>(image.size());
    return TRUE;
}

}  // namespace plat
