// The update procedure: manifest, comparison, offer, download, swap.
#include "update/AutoUpdater.h"
#include "update/ExecutableCheck.h"
#include "base/Handles.h"

#include "platform/Inet.h"
#include "platform/Kernel.h"
#include "platform/User.h"

using namespace plat;

namespace {

constexpr DWORD kManifestBufferSize = 4096;
constexpr DWORD kHttpOk = 200;

// The temporary directory, or empty when the call fails or its answer does
// not fit the buffer (then the buffer holds no path).
CString TemporaryDirectory() {
    char buffer[MAX_PATH] = {};
    DWORD length = GetTempPathA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) return CString();
    return CString(buffer);
}

// The file name after the path's last backslash.
CString FileNameOf(const CString& path) { return path.Mid(path.ReverseFind('\\') + 1); }

bool AnsweredOk(HINTERNET hUrl) {
    DWORD status = 0;
    return HttpQueryInfoNumber(hUrl, HTTP_QUERY_STATUS_CODE, &status) && status == kHttpOk;
}

}  // namespace

UpdateResult CAutoUpdater::CheckForUpdate(const char* lpszBaseUrl) {
    if (!IsConnected()) return NotConnected;

    CString strUrl = CString(lpszBaseUrl) + "update.txt";
    UrlHandle manifestUrl(OpenUrl(strUrl));
    if (!manifestUrl) return OpenFailed;

    // One byte short of the buffer, so the text always ends in a zero.
    char manifestBuffer[kManifestBufferSize] = {};
    bool gotManifest = ReadChunk(manifestUrl.Get(), manifestBuffer, kManifestBufferSize - 1);
    manifestUrl.Close();
    if (!gotManifest) return ManifestReadFailed;

    CString strModulePath = GetModulePath();
    CString strOwnVersion = GetFileVersionString(strModulePath);
    if (strOwnVersion.IsEmpty()) return OwnVersionUnknown;

    CString strManifest(manifestBuffer);
    if (CompareVersions(strManifest, strOwnVersion) != kVersionNewer) return NoNewerVersion;

    CString strTempDir = TemporaryDirectory();
    CString strFileName = FileNameOf(strModulePath);

    strUrl = CString(lpszBaseUrl) + strFileName;
    UrlHandle exeUrl(OpenUrl(strUrl));
    if (!exeUrl) return OpenFailed;

    CString strPrompt;
    strPrompt.Format("新版本 %s 现在可用，是否下载更新？", strManifest.c_str());
    if (MessageBoxA(GetActiveWindow(), strPrompt, "有新版更新", MB_YESNO | MB_ICONQUESTION) == IDNO) {
        exeUrl.Close();
        return NotReplaced;
    }

    if (strTempDir.IsEmpty()) return DownloadFailed;
    CString strTempFile = strTempDir + strFileName;

    // Only a whole answer of 200 that is the announced version's executable
    // may take the running program's place; anything else is thrown away.
    bool downloaded = AnsweredOk(exeUrl.Get()) && DownloadToFile(exeUrl.Get(), strTempFile);
    exeUrl.Close();
    bool usable = downloaded && IsCompleteWin32ExecutableFile(strTempFile) &&
                  CompareVersions(GetFileVersionString(strTempFile), strManifest) == kVersionsEqual;
    if (!usable) {
        DeleteFileA(strTempFile);
        return DownloadFailed;
    }

    return ReplaceExecutable(strModulePath, strTempFile, false) ? Updated : NotReplaced;
}
