// The update procedure: manifest, comparison, offer, download, swap.
#include "update/AutoUpdater.h"
#include "update/ExecutableCheck.h"
#include "update/SignatureCheck.h"
#include "update/SignatureDownload.h"
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

// The signature served beside the executable; without one there is nothing
// to offer, since nothing downloaded could ever be trusted.
bool FetchSignature(CAutoUpdater& updater, CString strUrl, Signature& signature) {
    UrlHandle sigUrl(updater.OpenUrl(strUrl));
    return sigUrl && ReadSignature(sigUrl.Get(), signature);
}

// Only a download that the maker signed, and that is a whole executable newer
// than the running program, may take its place. The signature comes first:
// nothing else of an unsigned body is looked at. Newer rather than the
// announced version: a manifest may name a version in short, and no signed
// old release may be put back.
bool IsTrustedNewer(CAutoUpdater& updater, const CString& file, const Signature& signature,
                    const CString& ownVersion) {
    return IsSignedByMaker(file, signature) && IsCompleteWin32ExecutableFile(file) &&
           updater.CompareVersions(updater.GetFileVersionString(file), ownVersion) == kVersionNewer;
}

}  // namespace

UpdateResult CAutoUpdater::CheckForUpdate(const char* lpszBaseUrl) {
    if (!IsConnected()) return NotConnected;

    CString strUrl = CString(lpszBaseUrl) + "update.txt";
    UrlHandle manifestUrl(OpenUrl(strUrl));
    if (!manifestUrl) return OpenFailed;

    // One byte short of the buffer, so the text always ends in a zero. An
    // error page is no manifest, even when its body reads as a version.
    char manifestBuffer[kManifestBufferSize] = {};
    bool gotManifest = AnsweredOk(manifestUrl.Get()) &&
                       ReadChunk(manifestUrl.Get(), manifestBuffer, kManifestBufferSize - 1);
    manifestUrl.Close();
    if (!gotManifest) return ManifestReadFailed;

    CString strModulePath = GetModulePath();
    CString strOwnVersion = GetFileVersionString(strModulePath);
    if (strOwnVersion.IsEmpty()) return OwnVersionUnknown;

    CString strManifest(manifestBuffer);
    if (CompareVersions(strManifest, strOwnVersion) != kVersionNewer) return NoNewerVersion;

    CString strTempDir = TemporaryDirectory();
    CString strFileName = FileNameOf(strModulePath);

    Signature signature;
    if (!FetchSignature(*this, CString(lpszBaseUrl) + strFileName + ".sig", signature)) return OpenFailed;

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

    bool downloaded = AnsweredOk(exeUrl.Get()) && DownloadToFile(exeUrl.Get(), strTempFile);
    exeUrl.Close();
    if (!downloaded || !IsTrustedNewer(*this, strTempFile, signature, strOwnVersion)) {
        DeleteFileA(strTempFile);
        return DownloadFailed;
    }

    return ReplaceExecutable(strModulePath, strTempFile, false) ? Updated : NotReplaced;
}
