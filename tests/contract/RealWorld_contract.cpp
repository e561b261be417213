// The contract's world on real Windows (run under Wine): a scratch folder
// under the temporary directory, a suspended copy of this program as a
// running image, the registry's list of moves at restart, and a loopback
// HTTP server.
#include "tests/contract/ContractWorld.h"
#include "tests/contract/LoopbackServer.h"

#include <memory>

#include <objbase.h>
#include <shlobj.h>

namespace contract {
namespace {

struct World {
    std::string scratch;
    PROCESS_INFORMATION running{};
    std::unique_ptr<LoopbackServer> server;
};

World& TheWorld() {
    static World world;
    return world;
}

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingMoves[] = L"PendingFileRenameOperations";

std::string Narrow(const std::wstring& wide) {
    char buf[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
    return buf;
}

// Empties and removes a folder; files first, then the folder itself.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// The registry's pending moves as stored: source, target pairs of NT paths.
std::vector<std::wstring> StoredPendingMoves() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    DWORD bytes = 0;
    std::vector<std::wstring> entries;
    if (RegQueryValueExW(key, kPendingMoves, nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS) {
        std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
        RegQueryValueExW(key, kPendingMoves, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &bytes);
        // Each pair is two strings; an empty target string is a delete.
        for (std::size_t at = 0; at + 1 < bytes / sizeof(wchar_t);) {
            const std::wstring entry(data.c_str() + at);
            entries.push_back(entry);
            at += entry.size() + 1;
        }
    }
    RegCloseKey(key);
    if (entries.size() % 2) entries.pop_back();  // the list's final terminator
    return entries;
}

std::string DosPath(std::wstring nt) {
    if (!nt.empty() && nt[0] == L'!') nt.erase(0, 1);  // replace-existing mark
    if (nt.compare(0, 4, L"\\??\\") == 0) nt.erase(0, 4);
    return Narrow(nt);
}

bool InScratch(const std::string& path) {
    const std::string& s = TheWorld().scratch;
    return path.size() > s.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(),
                                                   static_cast<int>(s.size()), s.c_str(),
                                                   static_cast<int>(s.size())) == CSTR_EQUAL;
}

// Drops the moves this test recorded, so no restart of the machine runs them.
void ForgetPendingMoves() {
    const std::vector<std::wstring> entries = StoredPendingMoves();
    std::wstring kept;
    for (std::size_t i = 0; i < entries.size(); i += 2) {
        if (InScratch(DosPath(entries[i]))) continue;
        kept += entries[i] + L'\0' + entries[i + 1] + L'\0';
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    if (kept.empty()) {
        RegDeleteValueW(key, kPendingMoves);
    } else {
        kept += L'\0';
        RegSetValueExW(key, kPendingMoves, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

std::string Reply(const Answer& answer) {
    std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + " Scripted\r\nConnection: close\r\n";
    if (answer.contentLength) reply += "Content-Length: " + std::to_string(*answer.contentLength) + "\r\n";
    return reply + "\r\n" + answer.body;
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
    ForgetPendingMoves();
    RemoveTree(w.scratch);
}

std::string Scratch() { return TheWorld().scratch; }

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
    const std::vector<std::wstring> entries = StoredPendingMoves();
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
    return w.server->Serve(path, Reply(answer));
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

}  // namespace contract
