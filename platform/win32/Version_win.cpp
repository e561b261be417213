// The file-version library: the real version.dll calls.
#include "platform/VersionApi.h"

#include <windows.h>

static_assert(sizeof(plat::VS_FIXEDFILEINFO) == sizeof(::VS_FIXEDFILEINFO), "same fixed block layout");

namespace plat {

DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) {
    return ::GetFileVersionInfoSizeA(lptstrFilename, reinterpret_cast<::DWORD*>(lpdwHandle));
}

BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD dwHandle, DWORD dwLen, void* lpData) {
    return ::GetFileVersionInfoA(lptstrFilename, dwHandle, dwLen, lpData);
}

BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, UINT* puLen) {
    return ::VerQueryValueA(pBlock, lpSubBlock, lplpBuffer, reinterpret_cast<::UINT*>(puLen));
}

}  // namespace plat
