// The simulated process: its command line, module path, temporary and
// current directories, the processes it starts, and code-page conversion.
#include "base/CString.h"
#include "platform/Kernel.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <iconv.h>

#include <cstring>
#include <deque>
#include <utility>

namespace sim {
namespace detail {
namespace {

struct ProcessState {
    std::string modulePath = "C:\\Users\\user\\Downloads\\tarnquill.exe";
    std::string commandLine;
    bool commandLineSet = false;
    std::string tempPath = "C:\\Users\\user\\AppData\\Local\\Temp\\";
    std::string currentDirectory = "C:\\Users\\user\\Downloads";
    std::vector<ProcessStart> starts;
    std::vector<bool> running;  // by start, as starts
    std::deque<StartedProgram> scripts;
    plat::DWORD nextProcessId = 0x100;
};

ProcessState& State() {
    static ProcessState state;
    return state;
}

// Copies s into a buffer of n bytes the way GetTempPathA and
// GetCurrentDirectoryA do: the length without the terminator when it fits,
// otherwise the size needed (terminator included) and the buffer untouched.
plat::DWORD CopyOut(const std::string& s, plat::DWORD n, char* buf) {
    if (!buf || s.size() + 1 > n) return static_cast<plat::DWORD>(s.size() + 1);
    std::memcpy(buf, s.c_str(), s.size() + 1);
    return static_cast<plat::DWORD>(s.size());
}

const plat::HMODULE kModule = reinterpret_cast<plat::HMODULE>(static_cast<std::uintptr_t>(0x400000));

}  // namespace

std::string CurrentDirectory() { return State().currentDirectory; }

bool ProcessHasEnded(const HandleEntry& process) {
    bool ended = false;
    if (OtherProgramEnded(process.processId, &ended)) return ended;
    const std::size_t index = (process.processId - 0x100) / 8;
    return index >= State().running.size() || !State().running[index];
}

void ResetProcesses() {
    State() = ProcessState{};
    MakeFolder(State().tempPath, true);
    MakeFolder(State().currentDirectory, true);
}

}  // namespace detail

void SetCommandLine(const std::string& commandLine) {
    detail::State().commandLine = commandLine;
    detail::State().commandLineSet = true;
}

void SetModulePath(const std::string& path) { detail::State().modulePath = path; }
std::string ModulePath() { return detail::State().modulePath; }
void SetTempPath(const std::string& path) { detail::State().tempPath = path; }
void SetCurrentDirectory(const std::string& path) { detail::State().currentDirectory = path; }
std::vector<ProcessStart> ProcessStarts() { return detail::State().starts; }
void ScriptNextStart(StartedProgram program) { detail::State().scripts.push_back(std::move(program)); }
bool StartedProcessRuns(std::size_t index) {
    return index < detail::State().running.size() && detail::State().running[index];
}

}  // namespace sim

namespace plat {

using sim::detail::State;

const char* GetCommandLineA() {
    sim::detail::KernelLock lock;
    auto& st = State();
    if (!st.commandLineSet) st.commandLine = "\"" + st.modulePath + "\"";
    return st.commandLine.c_str();
}

HMODULE GetModuleHandleA(const char* lpModuleName) {
    sim::detail::KernelLock lock;
    return lpModuleName ? nullptr : sim::detail::kModule;
}

DWORD GetModuleFileNameA(HMODULE hModule, char* lpFilename, DWORD nSize) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::GetModuleFileName)) return 0;
    if (hModule && hModule != sim::detail::kModule) return 0;
    if (!lpFilename || nSize == 0) return 0;
    const std::string& path = State().modulePath;
    if (path.size() < nSize) {
        std::memcpy(lpFilename, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    // Too small: truncated and terminated, and the whole size returned.
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    return nSize;
}

DWORD GetTempPathA(DWORD nBufferLength, char* lpBuffer) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::GetTempPath)) return 0;
    return sim::detail::CopyOut(State().tempPath, nBufferLength, lpBuffer);
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, char* lpBuffer) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::GetCurrentDirectory)) return 0;
    return sim::detail::CopyOut(State().currentDirectory, nBufferLength, lpBuffer);
}

BOOL CreateProcessA(const char* lpApplicationName, DWORD dwCreationFlags,
                    const STARTUPINFOA& startupInfo, PROCESS_INFORMATION* lpProcessInformation,
                    const char* lpCurrentDirectory) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::CreateProcess)) return FALSE;
    if (!lpApplicationName || !lpProcessInformation) return FALSE;
    // A link at the path is followed: what it leads to is started.
    const sim::detail::Node* image = sim::detail::Resolve(sim::detail::Lookup(lpApplicationName));
    if (!image || image->folder || !sim::detail::Allowed(image, sim::kReadExecute)) return FALSE;
    auto& st = State();
    st.starts.push_back({lpApplicationName, dwCreationFlags, startupInfo.cb,
                         lpCurrentDirectory ? lpCurrentDirectory : st.currentDirectory});
    sim::StartedProgram program;
    if (!st.scripts.empty()) {
        program = std::move(st.scripts.front());
        st.scripts.pop_front();
    }
    st.running.push_back(program.keepsRunning);
    sim::detail::HandleEntry process;
    process.kind = sim::detail::HandleKind::Process;
    process.processId = st.nextProcessId;
    sim::detail::HandleEntry thread;
    thread.kind = sim::detail::HandleKind::Thread;
    lpProcessInformation->hProcess = sim::detail::NewHandle(process);
    lpProcessInformation->hThread = sim::detail::NewHandle(thread);
    lpProcessInformation->dwProcessId = st.nextProcessId;
    lpProcessInformation->dwThreadId = st.nextProcessId + 4;
    st.nextProcessId += 8;
    // The new process's own code runs while this one goes on, as on Windows.
    if (program.whenStarted) lock.RunUnlocked(program.whenStarted);
    return TRUE;
}

BOOL TerminateProcess(HANDLE hProcess, UINT /*uExitCode*/) {
    sim::detail::KernelLock lock;
    auto* entry = sim::detail::FindHandle(hProcess, "TerminateProcess");
    if (!entry || entry->kind != sim::detail::HandleKind::Process) return FALSE;
    const std::size_t index = (entry->processId - 0x100) / 8;
    if (index < State().running.size()) State().running[index] = false;
    return TRUE;
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr, int cbMultiByte,
                        WCHAR* lpWideCharStr, int cchWideChar) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::MultiByteToWideChar)) return 0;
    if ((CodePage != CP_ACP && CodePage != 936) || (dwFlags & ~MB_PRECOMPOSED)) return 0;
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0) return 0;
    const std::size_t inLen = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1
                                                : static_cast<std::size_t>(cbMultiByte);

    std::u16string out;
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char* in = const_cast<char*>(lpMultiByteStr);
    std::size_t inLeft = inLen;
    while (inLeft > 0) {
        char16_t unit[4];
        char* outp = reinterpret_cast<char*>(unit);
        std::size_t outLeft = sizeof unit;
        // One character at a time keeps the invalid-byte handling simple.
        std::size_t step = (IsLeadByte936(static_cast<unsigned char>(*in)) && inLeft > 1) ? 2 : 1;
        std::size_t stepLeft = step;
        if (iconv(cd, &in, &stepLeft, &outp, &outLeft) == static_cast<std::size_t>(-1)) {
            in += stepLeft;
            out += u'?';  // the default character for a byte that maps to nothing
        } else {
            out.append(unit, (sizeof unit - outLeft) / sizeof(char16_t));
        }
        inLeft -= step;
    }
    iconv_close(cd);

    const int needed = static_cast<int>(out.size());
    if (cchWideChar == 0) return needed;
    if (!lpWideCharStr || needed > cchWideChar) return 0;  // ERROR_INSUFFICIENT_BUFFER
    std::memcpy(lpWideCharStr, out.data(), out.size() * sizeof(char16_t));
    return needed;
}

}  // namespace plat
