// The messages of the update check's outcome, and the restart on close.
#include "update/UpdateOutcome.h"
#include "update/UpdateTexts.h"

#include "update/AutoUpdater.h"
#include "update/RestartWatch.h"
#include "base/ModulePath.h"
#include "base/SupportLog.h"

#include "platform/Kernel.h"
#include "platform/User.h"

#include "BuildConfig.h"

using namespace plat;

bool g_bRestartAfterUpdate = false;

namespace {

// The restart this copy started, watched until the copy ends.
RestartWatch g_restart;

const char kSuccessText[] = "更新成功！是否立刻重新启动程序以使更新生效？";
const char kSuccessCaption[] = "更新成功！";
const char kFailureText[] = "对不起，更新失败！请手动至" TQ_HOME_PAGE "下载更新程序。";

// The executable named after the application in the current directory, or
// empty when the directory is unknown or the path would not fit MAX_PATH.
CString CurrentDirectoryExecutable(const char* exeName) {
    char directory[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH) return CString();
    CString path = CString(directory) + "\\" + exeName + ".exe";
    if (path.GetLength() >= static_cast<int>(MAX_PATH)) return CString();
    return path;
}

// The running executable's own path, which after an update holds the new
// version; a file of the program's name in the current directory may be the
// old download or another program. That file only when the module's path is
// unknown.
CString RelaunchPath(const char* exeName) {
    CString modulePath = RunningModulePath();
    if (!modulePath.IsEmpty()) return modulePath;
    CString path = CurrentDirectoryExecutable(exeName);
    if (!path.IsEmpty() && FileExists(path)) return path;
    return CString();
}

}  // namespace

void ShowUpdateOutcome(HWND hWnd, UpdateResult result) {
    switch (result) {
    case Updated: {
        const bool now = MessageBoxA(hWnd, kSuccessText, kSuccessCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
        LogEvent("restart now: %s", now ? "Yes" : "No");
        if (now) {
            g_bRestartAfterUpdate = true;
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
        }
        break;
    }
    case DownloadFailed:
    case NotReplaced:
        LogEvent("failure message");
        MessageBoxA(hWnd, kFailureText, kUpdateFailedCaption, MB_OK | MB_ICONQUESTION);
        break;
    default:
        break;
    }
}

void RelaunchIfRequested(const char* exeName) {
    if (!g_bRestartAfterUpdate) return;
    CString path = RelaunchPath(exeName);
    if (path.IsEmpty()) return;
    g_restart.Start(path);
}

void AwaitRelaunched() { g_restart.Await(); }
