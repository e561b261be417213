#include "tests/sim/KernelLock.h"
#include "tests/sim/SimShell.h"

#include "base/CString.h"
#include "platform/Shell.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <map>
#include <optional>

namespace sim {
namespace {

constexpr char kLinkMagic[] = "SIMLNK\n";

struct ShellState {
    std::map<int, std::string> folders;
    std::vector<SpecialFolderCall> folderCalls;
    std::optional<plat::HRESULT> coInitResult;  // set by a test, else as Windows answers
    int coInitCalls = 0;
    int coUninitCalls = 0;
    int comDepth = 0;
    int liveObjects = 0;
    std::vector<LinkSave> saves;
    std::optional<std::optional<plat::DWORD>> elevation;
    std::vector<ElevatedStart> prompts;
};

ShellState& State() {
    static ShellState state;
    return state;
}

std::string Narrow(const plat::WCHAR* wide) {
    std::size_t units = 0;
    while (wide[units] != 0) ++units;
    if (units == 0) return {};
    iconv_t cd = iconv_open("CP936", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(units * 4, '\0');
    char* in = reinterpret_cast<char*>(const_cast<plat::WCHAR*>(wide));
    std::size_t inLeft = units * sizeof(plat::WCHAR);
    char* dst = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

std::string ParentFolder(const std::string& path) {
    const int slash = CString(path.c_str()).ReverseFind('\\');
    return slash < 0 ? std::string() : path.substr(0, static_cast<std::size_t>(slash));
}

void RequireComInitialised(const char* call) {
    if (State().comDepth <= 0) ADD_FAILURE() << call << " called without CoInitialize";
}

// The link object: one reference count shared by its two interfaces.
class FakeShellLink final : public plat::IShellLinkA, public plat::IPersistFile {
public:
    FakeShellLink() { ++State().liveObjects; }
    ~FakeShellLink() { --State().liveObjects; }
    FakeShellLink(const FakeShellLink&) = delete;
    FakeShellLink& operator=(const FakeShellLink&) = delete;

    plat::HRESULT QueryInterface(const plat::GUID& riid, void** ppv) override {
        *ppv = nullptr;
        if (TakeFault(Op::QueryInterface)) return plat::E_NOINTERFACE;
        if (riid == plat::IID_IPersistFile) {
            *ppv = static_cast<plat::IPersistFile*>(this);
        } else if (riid == plat::IID_IShellLinkA) {
            *ppv = static_cast<plat::IShellLinkA*>(this);
        } else {
            return plat::E_NOINTERFACE;
        }
        AddRef();
        return plat::S_OK;
    }
    plat::ULONG AddRef() override { return ++m_refs; }
    plat::ULONG Release() override {
        if (m_refs == 0) {
            ADD_FAILURE() << "shell link released more often than referenced";
            return 0;
        }
        const plat::ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    plat::HRESULT SetPath(const char* pszFile) override {
        RequireComInitialised("IShellLinkA::SetPath");
        if (TakeFault(Op::ShellLinkSetPath)) return plat::E_FAIL;
        m_target = pszFile;
        return plat::S_OK;
    }
    plat::HRESULT SetArguments(const char* pszArgs) override {
        RequireComInitialised("IShellLinkA::SetArguments");
        if (TakeFault(Op::ShellLinkSetArguments)) return plat::E_FAIL;
        m_arguments = pszArgs;
        m_argumentsSet = true;
        return plat::S_OK;
    }
    plat::HRESULT GetPath(char* pszFile, int cch) override {
        RequireComInitialised("IShellLinkA::GetPath");
        if (cch <= 0 || m_target.size() >= static_cast<std::size_t>(cch)) return plat::E_FAIL;
        std::memcpy(pszFile, m_target.c_str(), m_target.size() + 1);
        return plat::S_OK;
    }
    plat::HRESULT Load(const plat::WCHAR* pszFileName, plat::DWORD) override {
        RequireComInitialised("IPersistFile::Load");
        const std::optional<LinkFile> file = ReadLink(Narrow(pszFileName));
        if (!file) return plat::E_FAIL;
        m_target = file->target;
        m_arguments = file->arguments;
        return plat::S_OK;
    }
    plat::HRESULT Save(const plat::WCHAR* pszFileName, plat::BOOL fRemember) override {
        RequireComInitialised("IPersistFile::Save");
        LinkSave save{Narrow(pszFileName), m_target, m_arguments, m_argumentsSet, fRemember, false};
        plat::HRESULT hr = plat::E_FAIL;
        if (!TakeFault(Op::PersistFileSave) && !save.file.empty() &&
            IsFolder(ParentFolder(save.file)) && detail::MayCreateOrWrite(save.file)) {
            save.written = PutFile(save.file, kLinkMagic + m_target + "\n" + m_arguments);
            if (save.written) hr = plat::S_OK;
        }
        State().saves.push_back(save);
        return hr;
    }

private:
    plat::ULONG m_refs = 1;
    std::string m_target;
    std::string m_arguments;
    bool m_argumentsSet = false;
};

}  // namespace

void ResetShell() {
    ShellState& s = State();
    if (s.liveObjects != 0) ADD_FAILURE() << s.liveObjects << " shell link object(s) never released";
    s = ShellState{};
    const std::string common = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    const std::string user = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
    s.folders = {
        {plat::CSIDL_COMMON_APPDATA, "C:\\ProgramData"},
        {plat::CSIDL_LOCAL_APPDATA, "C:\\Users\\user\\AppData\\Local"},
        {plat::CSIDL_DESKTOPDIRECTORY, "C:\\Users\\user\\Desktop"},
        {plat::CSIDL_COMMON_DESKTOPDIRECTORY, "C:\\Users\\Public\\Desktop"},
        {plat::CSIDL_COMMON_STARTMENU, common},
        {plat::CSIDL_COMMON_PROGRAMS, common + "\\Programs"},
        {plat::CSIDL_STARTMENU, user},
        {plat::CSIDL_PROGRAMS, user + "\\Programs"},
    };
    for (const auto& folder : s.folders) MakeFolder(folder.second);
}

void AnswerElevation(std::optional<plat::DWORD> exitCode) { State().elevation = exitCode; }
std::vector<ElevatedStart> ElevationPrompts() { return State().prompts; }

void SetSpecialFolder(int csidl, const std::string& path) { State().folders[csidl] = path; }

std::string SpecialFolder(int csidl) {
    const auto it = State().folders.find(csidl);
    return it == State().folders.end() ? std::string() : it->second;
}

std::vector<SpecialFolderCall> SpecialFolderCalls() { return State().folderCalls; }
void SetCoInitializeResult(plat::HRESULT hr) { State().coInitResult = hr; }
int CoInitializeCalls() { return State().coInitCalls; }
int CoUninitializeCalls() { return State().coUninitCalls; }
int ComInitDepth() { return State().comDepth; }
int LiveComObjects() { return State().liveObjects; }
std::vector<LinkSave> LinkSaves() { return State().saves; }

std::optional<LinkFile> ReadLink(const std::string& path) {
    const std::optional<std::string> bytes = ReadFileBytes(path);
    const std::string magic = kLinkMagic;
    if (!bytes || bytes->compare(0, magic.size(), magic) != 0) return std::nullopt;
    const std::string body = bytes->substr(magic.size());
    const std::size_t newline = body.find('\n');
    if (newline == std::string::npos) return std::nullopt;
    return LinkFile{body.substr(0, newline), body.substr(newline + 1)};
}

}  // namespace sim

namespace plat {

BOOL SHGetSpecialFolderPathA(HWND hwndOwner, char* lpszPath, int csidl, BOOL fCreate) {
    sim::detail::KernelLock lock;
    sim::State().folderCalls.push_back({hwndOwner, csidl, fCreate});
    if (sim::TakeFault(sim::Op::SHGetSpecialFolderPath)) return FALSE;
    const std::string path = sim::SpecialFolder(csidl);
    if (path.empty() || path.size() >= MAX_PATH) return FALSE;
    std::memcpy(lpszPath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL ShellExecuteRunAsA(const char* lpFile, const char* lpParameters, DWORD* lpExitCode) {
    sim::detail::KernelLock lock;
    // No such program: the shell fails before anything is asked.
    if (!lpFile || !sim::detail::Lookup(lpFile)) return FALSE;
    sim::ShellState& s = sim::State();
    s.prompts.push_back({lpFile, lpParameters ? lpParameters : ""});
    if (!s.elevation) {
        ADD_FAILURE() << "an elevation prompt the test did not expect";
        return FALSE;
    }
    const std::optional<DWORD> answer = *s.elevation;
    if (!answer) return FALSE;
    if (lpExitCode) *lpExitCode = *answer;
    return TRUE;
}

HRESULT CoInitialize(void* pvReserved) {
    sim::detail::KernelLock lock;
    if (pvReserved != nullptr) ADD_FAILURE() << "CoInitialize takes a null reserved pointer";
    sim::ShellState& s = sim::State();
    ++s.coInitCalls;
    if (sim::TakeFault(sim::Op::CoInitialize)) return E_FAIL;
    // Windows answers S_FALSE when the thread is initialised already; either
    // way the call must be balanced by a CoUninitialize.
    const HRESULT hr = s.coInitResult ? *s.coInitResult : s.comDepth > 0 ? S_FALSE : S_OK;
    if (SUCCEEDED(hr)) ++s.comDepth;
    return hr;
}

void CoUninitialize() {
    sim::detail::KernelLock lock;
    sim::ShellState& s = sim::State();
    ++s.coUninitCalls;
    if (s.comDepth <= 0) {
        ADD_FAILURE() << "CoUninitialize without a matching successful CoInitialize";
        return;
    }
    --s.comDepth;
}

HRESULT CoCreateInstance(const GUID& rclsid, DWORD dwClsContext, const GUID& riid, void** ppv) {
    sim::detail::KernelLock lock;
    *ppv = nullptr;
    sim::RequireComInitialised("CoCreateInstance");
    if (sim::TakeFault(sim::Op::CoCreateInstance)) return E_FAIL;
    if (!(rclsid == CLSID_ShellLink) || !(riid == IID_IShellLinkA) || dwClsContext != CLSCTX_INPROC_SERVER) {
        ADD_FAILURE() << "CoCreateInstance asked for something other than the in-process shell link";
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IShellLinkA*>(new sim::FakeShellLink());
    return S_OK;
}

}  // namespace plat
