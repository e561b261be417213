// WinINet as the update agent uses it: a synchronous session, URL
// canonicalisation, opening a URL and reading its body.
#pragma once
#include "platform/WinTypes.h"

namespace plat {

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD ICU_BROWSER_MODE = 0x02000000u;
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr DWORD INTERNET_FLAG_RESYNCHRONIZE = 0x00000800u;
constexpr DWORD INTERNET_FLAG_HYPERLINK = 0x00000400u;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000u;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000u;

// What a failed call leaves for GetLastError (Threads.h), among others.
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;

HINTERNET InternetOpenA(const char* lpszAgent, DWORD dwAccessType, const char* lpszProxy,
                        const char* lpszProxyBypass, DWORD dwFlags);
BOOL InternetCloseHandle(HINTERNET hInternet);
BOOL InternetGetConnectedState(DWORD* lpdwFlags, DWORD dwReserved);
BOOL InternetCanonicalizeUrlA(const char* lpszUrl, char* lpszBuffer, DWORD* lpdwBufferLength,
                              DWORD dwFlags);
// No headers, context 0.
HINTERNET InternetOpenUrlA(HINTERNET hInternet, const char* lpszUrl, DWORD dwFlags);
BOOL InternetReadFile(HINTERNET hFile, void* lpBuffer, DWORD dwNumberOfBytesToRead,
                      DWORD* lpdwNumberOfBytesRead);
// Numeric queries only (HTTP_QUERY_FLAG_NUMBER is implied): the status code
// or the announced Content-Length. FALSE when the answer has none.
BOOL HttpQueryInfoNumber(HINTERNET hRequest, DWORD dwInfoLevel, DWORD* lpdwNumber);

// Time-outs in milliseconds, set on the session and inherited by every
// request opened from it.
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
// Numeric options only: the value is one DWORD.
BOOL InternetSetOptionNumber(HINTERNET hInternet, DWORD dwOption, DWORD dwValue);

}  // namespace plat
