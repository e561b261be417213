// The shell's special folders, COM and the shell link object: the real
// shell32 and ole32 calls. The link object is handed out through adapters
// that present the real IShellLinkA and IPersistFile as the platform's
// slices of them. Each adapter holds one reference of its real interface and
// forwards AddRef/Release to it, so the counts the caller sees are the real
// object's.
#include "platform/Shell.h"

#include <new>

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

namespace {

// {00000000-0000-0000-C000-000000000046}
constexpr plat::GUID kIID_IUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

::GUID ToSdk(const plat::GUID& g) {
    ::GUID r;
    r.Data1 = g.Data1;
    r.Data2 = g.Data2;
    r.Data3 = g.Data3;
    for (int i = 0; i < 8; ++i) r.Data4[i] = g.Data4[i];
    return r;
}

HRESULT WrapInterface(::IUnknown* real, const plat::GUID& riid, void** ppv);

// Common reference handling: the adapter lives while the caller holds it.
template <class Slice, class Real>
class Adapter : public Slice {
public:
    explicit Adapter(Real* real) : real_(real) {}
    Adapter(const Adapter&) = delete;
    Adapter& operator=(const Adapter&) = delete;

    plat::HRESULT QueryInterface(const plat::GUID& riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == kIID_IUnknown || riid == OwnIid()) {
            AddRef();
            *ppv = static_cast<Slice*>(this);
            return S_OK;
        }
        return WrapInterface(real_, riid, ppv);
    }
    plat::ULONG AddRef() override {
        ++refs_;
        return real_->AddRef();
    }
    plat::ULONG Release() override {
        const plat::ULONG left = real_->Release();
        if (--refs_ == 0) delete this;
        return left;
    }

protected:
    virtual ~Adapter() = default;
    virtual const plat::GUID& OwnIid() const = 0;
    Real* real_;

private:
    plat::ULONG refs_ = 1;
};

class ShellLinkAdapter final : public Adapter<plat::IShellLinkA, ::IShellLinkA> {
public:
    using Adapter::Adapter;
    plat::HRESULT SetPath(const char* pszFile) override { return real_->SetPath(pszFile); }
    plat::HRESULT SetArguments(const char* pszArgs) override { return real_->SetArguments(pszArgs); }
    plat::HRESULT GetPath(char* pszFile, int cch) override {
        return real_->GetPath(pszFile, cch, nullptr, SLGP_RAWPATH);
    }

private:
    const plat::GUID& OwnIid() const override { return plat::IID_IShellLinkA; }
};

class PersistFileAdapter final : public Adapter<plat::IPersistFile, ::IPersistFile> {
public:
    using Adapter::Adapter;
    plat::HRESULT Save(const plat::WCHAR* pszFileName, plat::BOOL fRemember) override {
        return real_->Save(reinterpret_cast<LPCOLESTR>(pszFileName), fRemember);
    }
    plat::HRESULT Load(const plat::WCHAR* pszFileName, plat::DWORD dwMode) override {
        return real_->Load(reinterpret_cast<LPCOLESTR>(pszFileName), dwMode);
    }

private:
    const plat::GUID& OwnIid() const override { return plat::IID_IPersistFile; }
};

// Asks the real object for riid and hands out an adapter that owns the
// reference it got. Interfaces without an adapter are refused.
HRESULT WrapInterface(::IUnknown* real, const plat::GUID& riid, void** ppv) {
    *ppv = nullptr;
    const bool link = riid == plat::IID_IShellLinkA;
    if (!link && !(riid == plat::IID_IPersistFile)) return E_NOINTERFACE;
    const ::GUID iid = ToSdk(riid);
    void* raw = nullptr;
    const HRESULT hr = real->QueryInterface(iid, &raw);
    if (FAILED(hr) || !raw) return FAILED(hr) ? hr : E_NOINTERFACE;
    if (link) {
        auto* adapter = new (std::nothrow) ShellLinkAdapter(static_cast<::IShellLinkA*>(raw));
        if (adapter) *ppv = static_cast<plat::IShellLinkA*>(adapter);
    } else {
        auto* adapter = new (std::nothrow) PersistFileAdapter(static_cast<::IPersistFile*>(raw));
        if (adapter) *ppv = static_cast<plat::IPersistFile*>(adapter);
    }
    if (*ppv) return S_OK;
    static_cast<::IUnknown*>(raw)->Release();
    return E_OUTOFMEMORY;
}

}  // namespace

namespace plat {

BOOL SHGetSpecialFolderPathA(HWND hwndOwner, char* lpszPath, int csidl, BOOL fCreate) {
    return ::SHGetSpecialFolderPathA(reinterpret_cast<::HWND>(hwndOwner), lpszPath, csidl, fCreate);
}

HRESULT CoInitialize(void* pvReserved) { return ::CoInitialize(pvReserved); }

void CoUninitialize() { ::CoUninitialize(); }

HRESULT CoCreateInstance(const GUID& rclsid, DWORD dwClsContext, const GUID& riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const ::GUID clsid = ToSdk(rclsid);
    ::IUnknown* object = nullptr;
    const ::HRESULT hr = ::CoCreateInstance(clsid, nullptr, dwClsContext, IID_IUnknown,
                                            reinterpret_cast<void**>(&object));
    if (FAILED(hr) || !object) return FAILED(hr) ? hr : E_NOINTERFACE;
    const HRESULT wrapped = WrapInterface(object, riid, ppv);
    object->Release();
    return wrapped;
}

BOOL ShellExecuteRunAsA(const char* lpFile, const char* lpParameters, DWORD* lpExitCode) {
    SHELLEXECUTEINFOA run{};
    run.cbSize = sizeof run;
    // The process to wait for; no box of the shell's own when it fails.
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = "runas";
    run.lpFile = lpFile;
    run.lpParameters = lpParameters;
    run.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&run)) return FALSE;
    ::DWORD code = 1;  // no process to ask: not known to have succeeded
    if (run.hProcess) {
        ::WaitForSingleObject(run.hProcess, INFINITE);
        if (!::GetExitCodeProcess(run.hProcess, &code)) code = 1;
        ::CloseHandle(run.hProcess);
    }
    if (lpExitCode) *lpExitCode = code;
    return TRUE;
}

}  // namespace plat
