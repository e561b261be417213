// Shell special folders and the shell link object reached through COM.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

BOOL SHGetSpecialFolderPathA(HWND hwndOwner, char* lpszPath, int csidl, BOOL fCreate);

// ShellExecuteExA with the verb "runas": Windows asks the user for an
// administrator's consent or credentials and starts the program elevated.
// Waits for it to end; its exit code in *lpExitCode. FALSE when the user
// refused, or it could not be started (no such file): nothing ran.
BOOL ShellExecuteRunAsA(const char* lpFile, const char* lpParameters, DWORD* lpExitCode);

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
// {00021401-0000-0000-C000-000000000046}
constexpr GUID CLSID_ShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000214EE-0000-0000-C000-000000000046}
constexpr GUID IID_IShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0000010B-0000-0000-C000-000000000046}
constexpr GUID IID_IPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The slices of the COM interfaces that the shortcut writers call.
struct IUnknown {
    virtual HRESULT QueryInterface(const GUID& riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IShellLinkA : IUnknown {
    virtual HRESULT SetPath(const char* pszFile) = 0;
    virtual HRESULT SetArguments(const char* pszArgs) = 0;
    // The target as stored (SLGP_RAWPATH), no find data.
    virtual HRESULT GetPath(char* pszFile, int cch) = 0;

protected:
    ~IShellLinkA() = default;
};

constexpr DWORD STGM_READ = 0x0;

struct IPersistFile : IUnknown {
    virtual HRESULT Save(const WCHAR* pszFileName, BOOL fRemember) = 0;
    virtual HRESULT Load(const WCHAR* pszFileName, DWORD dwMode) = 0;

protected:
    ~IPersistFile() = default;
};

HRESULT CoInitialize(void* pvReserved);
void CoUninitialize();
// No outer object. Only CLSID_ShellLink / IID_IShellLinkA are asked for.
HRESULT CoCreateInstance(const GUID& rclsid, DWORD dwClsContext, const GUID& riid, void** ppv);

}  // namespace plat
