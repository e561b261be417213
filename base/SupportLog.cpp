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

bool Copy(char (&to)[MAX_PATH], const CString& from) {
    if (from.GetLength() >= static_cast<int>(MAX_PATH)) return false;
    std::memcpy(to, from.c_str(), static_cast<std::size_t>(from.GetLength()) + 1);
    return true;
}

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
    if (folder.IsEmpty() || !Copy(g_folder, folder.Left(folder.GetLength() - 1))) return;
    // The folder the user's own copy would use: made as that one is, and
    // judged on the object itself.
    CreateProtectedDirectoryA(g_folder);
    const HeldObject held = HeldObject::Open(g_folder);
    if (!held.Trusted() || !held.IsFolder()) return;
    const CString log = SupportLogIn(folder);
    std::snprintf(g_version, sizeof g_version, "%s", version && *version ? version : "-");
    if (Copy(g_older, OlderSupportLog(log))) Copy(g_log, log);
}

void OpenUserSupportLog() {
    char folder[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_LOCAL_APPDATA, FALSE))
        OpenSupportLog(OwnCopyFolderIn(folder), GetFileVersionString(RunningModulePath()));
}

bool SupportLogOn() { return g_log[0] != '\0'; }

void LogEvent(const char* format, ...) {
    if (!g_log[0]) return;
    SYSTEMTIME t{};
    GetSystemTime(&t);
    char line[kLineMax];
    int head = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02uZ %lu %s ", t.wYear, t.wMonth, t.wDay,
                             t.wHour, t.wMinute, t.wSecond, static_cast<unsigned long>(GetCurrentProcessId()),
                             g_version);
    if (head < 0 || head >= kLineMax - 2) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + head, sizeof line - 2 - static_cast<std::size_t>(head), format, args);
    va_end(args);
    line[kLineMax - 3] = '\0';
    std::size_t length = std::strlen(line);
    for (std::size_t i = static_cast<std::size_t>(head); i < length; ++i)
        if (static_cast<unsigned char>(line[i]) < ' ') line[i] = ' ';
    line[length++] = '\r';
    line[length++] = '\n';
    Append(line, static_cast<DWORD>(length));
}

void DeleteSupportLog() {
    // Beside a copy still installed there (the user's own), it stays with it.
    if (!g_log[0] || FileExists(CString(g_folder) + "\\" + kInstalledFileName)) return;
    DeleteFileA(g_log);
    DeleteFileA(g_older);
    g_log[0] = '\0';
    RemoveDirectoryA(g_folder);
}

CString LoggableUrl(const char* url) {
    CString text(url);
    for (char end : {'?', '#'}) {
        const int at = text.Find(end);
        if (at >= 0) text = text.Left(at);
    }
    const int scheme = text.Find("://");
    if (scheme < 0) return text;
    const int hostStart = scheme + 3;
    int hostEnd = text.Find('/', hostStart);
    if (hostEnd < 0) hostEnd = text.GetLength();
    // The last '@' before the path ends the user-info (a password may hold one).
    int at = -1;
    for (int i = hostStart; i < hostEnd; ++i)
        if (text.GetAt(i) == '@') at = i;
    if (at >= 0) text.Delete(hostStart, at + 1 - hostStart);
    return text;
}

const char* TrustName(Trust verdict) {
    static const char* const kNames[] = {"ok", "link", "owner", "another-writer", "several-names", "foreign-entry"};
    return kNames[static_cast<int>(verdict)];
}
