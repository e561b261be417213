#include "base/SupportLog.h"

#include "base/FileVersion.h"
#include "base/Handles.h"
#include "base/ModulePath.h"
#include "base/ProgramPaths.h"
#include "platform/Kernel.h"
#include "platform/Security.h"
#include "platform/Shell.h"
#include "platform/Threads.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

using namespace plat;

namespace {

// Written once by OpenSupportLog before any worker starts, then only read:
// no lock is needed on any thread. Empty: no log.
char g_folder[MAX_PATH];
char g_log[MAX_PATH];
char g_older[MAX_PATH];
char g_version[24];

// A line longer than this is cut: an address is the longest part.
constexpr int kLineMax = 1024;

// Appending only, whoever else writes: a write lands whole at the end. Any
// sharing, so a reader or another copy never stops the program, nor the
// program them. The name is opened itself, never what a link there leads to.
HANDLE OpenForAppending(const char* path) {
    return CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
}

void Append(const char* line, DWORD length) {
    FileHandle file(OpenForAppending(g_log));
    if (!file) return;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE) return;
    if (size + length > kSupportLogMax) {
        file.Close();
        // Full: it becomes the older generation. When that cannot be done
        // (a generation held open without delete sharing), the line is
        // dropped rather than the log let grow past its bound.
        if (!MoveFileExA(g_log, g_older, MOVEFILE_REPLACE_EXISTING)) return;
        file.Reset(OpenForAppending(g_log));
        if (!file) return;
    }
    DWORD written = 0;
    WriteFile(file.Get(), line, length, &written);
}

}  // namespace

void OpenSupportLog(const CString& folder, const char* version) {
    g_log[0] = '\0';
    const int length = folder.GetLength();
    if (length == 0 || length + sizeof kOlderSupportLogName > MAX_PATH) return;
    std::snprintf(g_folder, MAX_PATH, "%.*s", length - 1, folder.c_str());
    // The folder the user's own copy would use: made as that one is, and
    // judged on the object itself.
    CreateProtectedDirectoryA(g_folder);
    const HeldObject held = HeldObject::Open(g_folder);
    if (!held.Trusted() || !held.IsFolder()) return;
    std::snprintf(g_version, sizeof g_version, "%s", version && *version ? version : "-");
    std::snprintf(g_older, MAX_PATH, "%s%s", folder.c_str(), kOlderSupportLogName);
    std::snprintf(g_log, MAX_PATH, "%s%s", folder.c_str(), kSupportLogName);
}

void OpenUserSupportLog() {
    char folder[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_LOCAL_APPDATA, FALSE))
        OpenSupportLog(OwnCopyFolderIn(folder), GetFileVersionString(RunningModulePath()));
}

bool SupportLogOn() { return g_log[0] != '\0'; }

namespace {

// The head (time, process, version), then the event; one line.
void WriteLine(const char* format, va_list args) {
    SYSTEMTIME t{};
    GetSystemTime(&t);
    char line[kLineMax];
    const int head = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02uZ %lu %s ", t.wYear, t.wMonth,
                                   t.wDay, t.wHour, t.wMinute, t.wSecond,
                                   static_cast<unsigned long>(GetCurrentProcessId()), g_version);
    // The version is short: the head always fits.
    const std::size_t start = head > 0 && head < kLineMax / 2 ? static_cast<std::size_t>(head) : 0;
    // Started by LogEvent's va_start; the analyser loses track of it across the call.
    std::vsnprintf(line + start, sizeof line - 2 - start, format, args);  // NOLINT(clang-analyzer-valist.Uninitialized)
    line[kLineMax - 3] = '\0';
    std::size_t length = std::strlen(line);
    for (std::size_t i = start; i < length; ++i)
        if (static_cast<unsigned char>(line[i]) < ' ') line[i] = ' ';
    line[length++] = '\r';
    line[length++] = '\n';
    Append(line, static_cast<DWORD>(length));
}

}  // namespace

void LogEvent(const char* format, ...) {
    if (!g_log[0]) return;
    va_list args;
    va_start(args, format);
    WriteLine(format, args);
    va_end(args);
}

void DeleteSupportLog() {
    // Beside a copy still installed there (the user's own), it stays with it.
    char executable[MAX_PATH + sizeof kInstalledFileName];
    std::snprintf(executable, sizeof executable, "%s\\%s", g_folder, kInstalledFileName);
    if (!g_log[0] || FileExists(executable)) return;
    DeleteFileA(g_log);
    DeleteFileA(g_older);
    g_log[0] = '\0';
    RemoveDirectoryA(g_folder);
}

CString LoggableUrl(const char* url) {
    // The addresses are canonical: ASCII, never a trail byte taken for '@'.
    const std::size_t length = std::strcspn(url, "?#");
    const char* host = std::strstr(url, "://");
    host = host && static_cast<std::size_t>(host - url) < length ? host + 3 : url;
    // The last '@' before the path ends the user-info (a password may hold one).
    const char* from = host;
    for (const char* p = host; p < url + length && *p != '/'; ++p)
        if (*p == '@') from = p + 1;
    CString text(url);
    text.Delete(static_cast<int>(length), text.GetLength());
    text.Delete(static_cast<int>(host - url), static_cast<int>(from - host));
    return text;
}

const char* TrustName(Trust verdict) {
    static const char* const kNames[] = {"ok", "link", "owner", "another-writer", "several-names", "foreign-entry"};
    return kNames[static_cast<int>(verdict)];
}
