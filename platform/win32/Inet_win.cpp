// WinINet: the real calls, bound at first use from the system folder
// (SystemDll.h); the session is synchronous and no context is used. When
// WinINet cannot be bound every call fails, as with no network.
#include "platform/Inet.h"
#include "platform/win32/SystemDll.h"

#include <windows.h>
#include <wininet.h>

namespace plat {
namespace {

template <class Fn>
Fn Wininet(const char* name) {
    return win32::SystemFunction<Fn>("wininet.dll", name);
}

}  // namespace

HINTERNET InternetOpenA(const char* lpszAgent, DWORD dwAccessType, const char* lpszProxy,
                        const char* lpszProxyBypass, DWORD dwFlags) {
    static const auto fn = Wininet<decltype(&::InternetOpenA)>("InternetOpenA");
    return fn ? fn(lpszAgent, dwAccessType, lpszProxy, lpszProxyBypass, dwFlags) : nullptr;
}

BOOL InternetCloseHandle(HINTERNET hInternet) {
    static const auto fn = Wininet<decltype(&::InternetCloseHandle)>("InternetCloseHandle");
    return fn ? fn(hInternet) : FALSE;
}

BOOL InternetGetConnectedState(DWORD* lpdwFlags, DWORD dwReserved) {
    static const auto fn = Wininet<decltype(&::InternetGetConnectedState)>("InternetGetConnectedState");
    return fn ? fn(reinterpret_cast<::DWORD*>(lpdwFlags), dwReserved) : FALSE;
}

BOOL InternetCanonicalizeUrlA(const char* lpszUrl, char* lpszBuffer, DWORD* lpdwBufferLength, DWORD dwFlags) {
    static const auto fn = Wininet<decltype(&::InternetCanonicalizeUrlA)>("InternetCanonicalizeUrlA");
    return fn ? fn(lpszUrl, lpszBuffer, reinterpret_cast<::DWORD*>(lpdwBufferLength), dwFlags) : FALSE;
}

HINTERNET InternetOpenUrlA(HINTERNET hInternet, const char* lpszUrl, DWORD dwFlags) {
    static const auto fn = Wininet<decltype(&::InternetOpenUrlA)>("InternetOpenUrlA");
    return fn ? fn(hInternet, lpszUrl, nullptr, 0, dwFlags, 0) : nullptr;
}

BOOL InternetReadFile(HINTERNET hFile, void* lpBuffer, DWORD dwNumberOfBytesToRead,
                      DWORD* lpdwNumberOfBytesRead) {
    static const auto fn = Wininet<decltype(&::InternetReadFile)>("InternetReadFile");
    return fn ? fn(hFile, lpBuffer, dwNumberOfBytesToRead, reinterpret_cast<::DWORD*>(lpdwNumberOfBytesRead))
              : FALSE;
}

BOOL HttpQueryInfoNumber(HINTERNET hRequest, DWORD dwInfoLevel, DWORD* lpdwNumber) {
    static const auto fn = Wininet<decltype(&::HttpQueryInfoA)>("HttpQueryInfoA");
    ::DWORD number = 0;
    ::DWORD length = sizeof number;
    if (!fn || !fn(hRequest, dwInfoLevel | HTTP_QUERY_FLAG_NUMBER, &number, &length, nullptr)) return FALSE;
    *lpdwNumber = number;
    return TRUE;
}

BOOL InternetSetOptionNumber(HINTERNET hInternet, DWORD dwOption, DWORD dwValue) {
    static const auto fn = Wininet<decltype(&::InternetSetOptionA)>("InternetSetOptionA");
    ::DWORD value = dwValue;
    return fn ? fn(hInternet, dwOption, &value, sizeof value) : FALSE;
}

}  // namespace plat
