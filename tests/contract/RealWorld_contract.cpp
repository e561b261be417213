// The contract's world on real Windows (run under Wine): a scratch folder
// under the temporary directory, a suspended copy of this program as a
// running image, the registry's list of moves at restart, a loopback HTTP
// server, and windows of a class whose procedure hands messages to the test.
#include "tests/contract/ContractWorld.h"
#include "tests/contract/LoopbackServer.h"

#include <map>
#include <memory>

#include <objbase.h>
#include <shlobj.h>

namespace contract {
namespace {

struct World {
    std::string scratch;
    PROCESS_INFORMATION running{};
    std::unique_ptr<LoopbackServer> server;
    std::map<HWND, MessageHandler> handlers;
    std::vector<HWND> windows;
};

World& TheWorld() {
    static World world;
    return world;
}

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingMoves[] = "PendingFileRenameOperations";

// Empties and removes a folder; files first, then the folder itself.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
        } else {
            DeleteFileA(path.c_str());
        }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryA(folder.c_str());
}

// The registry's moves at restart: pairs of NT paths, "!" marking a
// replacement, an empty target a delete. The list ends in an empty string.
std::vector<std::string> StoredPendingMoves() {
    std::vector<char> data(65536);
    DWORD bytes = static_cast<DWORD>(data.size());
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManager, kPendingMoves, RRF_RT_REG_MULTI_SZ, nullptr,
                     data.data(), &bytes) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> entries;
    for (std::size_t at = 0; at + 1 < bytes; at += entries.back().size() + 1) entries.emplace_back(&data[at]);
    if (entries.size() % 2) entries.pop_back();
    return entries;
}

std::string DosPath(std::string nt) {
    if (!nt.empty() && nt[0] == '!') nt.erase(0, 1);
    return nt.compare(0, 4, "\\??\\") == 0 ? nt.substr(4) : nt;
}

bool InScratch(const std::string& path) {
    const std::string& s = TheWorld().scratch;
    return path.size() > s.size() && _strnicmp(path.c_str(), s.c_str(), s.size()) == 0;
}

// Drops the moves this test recorded, so no restart of the machine runs them.
void ForgetPendingMoves() {
    const std::vector<std::string> entries = StoredPendingMoves();
    std::string kept;
    for (std::size_t i = 0; i < entries.size(); i += 2)
        if (!InScratch(DosPath(entries[i]))) kept += entries[i] + '\0' + entries[i + 1] + '\0';
    HKEY key = nullptr;
    if (entries.empty() || RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key)) return;
    if (kept.empty()) {
        RegDeleteValueA(key, kPendingMoves);
    } else {
        kept += '\0';
        RegSetValueExA(key, kPendingMoves, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size()));
    }
    RegCloseKey(key);
}

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto it = TheWorld().handlers.find(hwnd);
    if (it != TheWorld().handlers.end()) {
        const MessageHandler handler = it->second;  // it may destroy the window
        if (const auto answer = handler(msg, wp, lp)) return *answer;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

const char* TestWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TqContractWindow";
        return RegisterClassA(&wc);
    }();
    return atom ? "TqContractWindow" : nullptr;
}

HWND NewWindow(DWORD style, HWND parent, int id, plat::RECT r) {
    HWND hwnd = CreateWindowExA(0, TestWindowClass(), "", style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleA(nullptr), nullptr);
    TheWorld().windows.push_back(hwnd);
    return hwnd;
}

}  // namespace

void WorldTest::SetUp() {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    World& w = TheWorld();
    w.scratch = std::string(temp) + "tq-contract-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RemoveTree(w.scratch);
    ASSERT_TRUE(CreateDirectoryA(w.scratch.c_str(), nullptr)) << w.scratch;
}

void WorldTest::TearDown() {
    World& w = TheWorld();
    if (w.running.hProcess) {
        TerminateProcess(w.running.hProcess, 0);
        WaitForSingleObject(w.running.hProcess, 10000);
        CloseHandle(w.running.hThread);
        CloseHandle(w.running.hProcess);
        w.running = PROCESS_INFORMATION{};
    }
    w.server.reset();
    w.handlers.clear();
    for (auto it = w.windows.rbegin(); it != w.windows.rend(); ++it)
        if (IsWindow(*it)) DestroyWindow(*it);
    w.windows.clear();
    ForgetPendingMoves();
    RemoveTree(w.scratch);
}

std::string Scratch() { return TheWorld().scratch; }

// Every process under Wine is one (the Wine notes); a Windows run of the
// suite needs an elevated prompt.
void RunAsMachineAdministrator() {}

// Made by the Wine runner (tests/harness/run_wine.py): Wine cannot make a
// symbolic link itself.
std::string PlantedFolderLink() { return "C:\\tq-links\\link"; }

bool MakeHardLink(const std::string& existing, const std::string& newName) {
    return CreateHardLinkA(newName.c_str(), existing.c_str(), nullptr) != FALSE;
}

std::string StartRunningImage() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string path = Scratch() + "\\running.exe";
    EXPECT_TRUE(CopyFileA(self, path.c_str(), TRUE)) << path;
    // Suspended: its image is mapped, but no test of it ever runs.
    STARTUPINFOA si{};
    si.cb = sizeof si;
    EXPECT_TRUE(CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                               &si, &TheWorld().running))
        << path;
    return path;
}

std::string StartableProgram() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\hostname.exe";
}

std::vector<std::pair<std::string, std::string>> PendingMoves() {
    const std::vector<std::string> entries = StoredPendingMoves();
    std::vector<std::pair<std::string, std::string>> moves;
    for (std::size_t i = 0; i < entries.size(); i += 2) {
        const std::string from = DosPath(entries[i]);
        if (InScratch(from)) moves.emplace_back(from, DosPath(entries[i + 1]));
    }
    return moves;
}

std::string Serve(const std::string& path, const Answer& answer) {
    World& w = TheWorld();
    if (!w.server) w.server = std::make_unique<LoopbackServer>();
    std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + " Scripted\r\nConnection: close\r\n";
    if (answer.contentLength) reply += "Content-Length: " + std::to_string(*answer.contentLength) + "\r\n";
    return w.server->Serve(path, reply + "\r\n" + answer.body);
}

std::string RefusedUrl() { return "http://127.0.0.1:1/x"; }  // nothing listens on port 1

std::string LinkTarget(const std::string& linkPath) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return std::string();
    IPersistFile* file = nullptr;
    std::string target;
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    link->Release();
    return target;
}

plat::HWND CreateFramedWindow(plat::RECT screenRect) {
    return reinterpret_cast<plat::HWND>(NewWindow(WS_OVERLAPPEDWINDOW, nullptr, 0, screenRect));
}

plat::HWND CreateChildWindow(plat::HWND parent, int controlId, plat::RECT rect) {
    return reinterpret_cast<plat::HWND>(
        NewWindow(WS_CHILD | WS_VISIBLE, reinterpret_cast<HWND>(parent), controlId, rect));
}

void DestroyTestWindow(plat::HWND hwnd) { DestroyWindow(reinterpret_cast<HWND>(hwnd)); }

void HandleMessages(plat::HWND hwnd, MessageHandler handler) {
    TheWorld().handlers[reinterpret_cast<HWND>(hwnd)] = std::move(handler);
}

void ShowTestWindow(plat::HWND hwnd, bool visible) {
    ShowWindow(reinterpret_cast<HWND>(hwnd), visible ? SW_SHOWNOACTIVATE : SW_HIDE);
}

bool PumpUntil(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 10000) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
    return true;
}

}  // namespace contract
