// WinINet: the real calls; the session is synchronous and no context is used.
#include "platform/Inet.h"

#include <windows.h>
#include <wininet.h>

namespace plat {

HINTERNET InternetOpenA(const char* lpszAgent, DWORD dwAccessType, const char* lpszProxy,
                        const char* lpszProxyBypass, DWORD dwFlags) {
    return ::InternetOpenA(lpszAgent, dwAccessType, lpszProxy, lpszProxyBypass, dwFlags);
}

BOOL InternetCloseHandle(HINTERNET hInternet) { return ::InternetCloseHandle(hInternet); }

BOOL InternetGetConnectedState(DWORD* lpdwFlags, DWORD dwReserved) {
    return ::InternetGetConnectedState(reinterpret_cast<::DWORD*>(lpdwFlags), dwReserved);
}

BOOL InternetCanonicalizeUrlA(const char* lpszUrl, char* lpszBuffer, DWORD* lpdwBufferLength, DWORD dwFlags) {
    return ::InternetCanonicalizeUrlA(lpszUrl, lpszBuffer, reinterpret_cast<::DWORD*>(lpdwBufferLength),
                                      dwFlags);
}

HINTERNET InternetOpenUrlA(HINTERNET hInternet, const char* lpszUrl, DWORD dwFlags) {
    return ::InternetOpenUrlA(hInternet, lpszUrl, nullptr, 0, dwFlags, 0);
}

BOOL InternetReadFile(HINTERNET hFile, void* lpBuffer, DWORD dwNumberOfBytesToRead,
                      DWORD* lpdwNumberOfBytesRead) {
    return ::InternetReadFile(hFile, lpBuffer, dwNumberOfBytesToRead,
                              reinterpret_cast<::DWORD*>(lpdwNumberOfBytesRead));
}

BOOL HttpQueryInfoNumber(HINTERNET hRequest, DWORD dwInfoLevel, DWORD* lpdwNumber) {
    ::DWORD number = 0;
    ::DWORD length = sizeof number;
    if (!::HttpQueryInfoA(hRequest, dwInfoLevel | HTTP_QUERY_FLAG_NUMBER, &number, &length, nullptr))
        return FALSE;
    *lpdwNumber = number;
    return TRUE;
}

}  // namespace plat

namespace plat {

BOOL InternetSetOptionNumber(HINTERNET hInternet, DWORD dwOption, DWORD dwValue) {
    ::DWORD value = dwValue;
    return ::InternetSetOptionA(hInternet, dwOption, &value, sizeof value);
}

}  // namespace plat
