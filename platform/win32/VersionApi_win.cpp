// The file-version library: the real version.dll calls, bound at first use
// from the system folder (SystemDll.h). When version.dll cannot be bound no
// file has a version.
#include "platform/VersionApi.h"
#include "platform/win32/SystemDll.h"

#include <windows.h>

static_assert(sizeof(plat::VS_FIXEDFILEINFO) == sizeof(::VS_FIXEDFILEINFO), "same fixed block layout");

namespace plat {
namespace {

template <class Fn>
Fn VersionDll(const char* name) {
    return win32::SystemFunction<Fn>("version.dll", name);
}

}  // namespace

DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) {
    static const auto fn = VersionDll<decltype(&::GetFileVersionInfoSizeA)>("GetFileVersionInfoSizeA");
    return fn ? fn(lptstrFilename, reinterpret_cast<::DWORD*>(lpdwHandle)) : 0;
}

BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD dwHandle, DWORD dwLen, void* lpData) {
    static const auto fn = VersionDll<decltype(&::GetFileVersionInfoA)>("GetFileVersionInfoA");
    return fn ? fn(lptstrFilename, dwHandle, dwLen, lpData) : FALSE;
}

BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, UINT* puLen) {
    static const auto fn = VersionDll<decltype(&::VerQueryValueA)>("VerQueryValueA");
    return fn ? fn(pBlock, lpSubBlock, lplpBuffer, reinterpret_cast<::UINT*>(puLen)) : FALSE;
}

}  // namespace plat
