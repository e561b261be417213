#include "update/UpdateSteps.h"
#include "update/UpdateUndo.h"

#include "update/ExecutableCheck.h"
#include "update/ImageVersion.h"
#include "update/ReplaceRight.h"
#include "update/SignatureDownload.h"
#include "update/UpdateLock.h"
#include "update/UpdateSettings.h"
#include "update/UrlAnswer.h"

#include "base/SupportLog.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"
#include "platform/User.h"

#include <cstring>

using namespace plat;

namespace {

// The file name after the path's last backslash.
CString FileNameOf(const CString& path) { return path.Mid(path.ReverseFind('\\') + 1); }

bool End(UpdateJob& job, UpdateResult result, UpdateFailure why) {
    job.result = result;
    job.failure = why;
    return false;
}

// The manifest's text; false when the server gave none. One byte short of
// the buffer, so the text always ends in a zero. An error page is no
// manifest, even when its body reads as a version.
bool ReadManifest(CAutoUpdater& updater, const UpdateJob& job, CString& manifest, UpdateResult& failure) {
    CString strUrl = job.baseUrl + kManifestName;
    const DWORD start = GetTickCount();
    UrlHandle manifestUrl(updater.OpenUrl(strUrl));
    failure = OpenFailed;
    if (!manifestUrl) return false;
    char buffer[kManifestBufferSize] = {};
    bool got = AnsweredOk(manifestUrl.Get()) &&
               updater.ReadChunk(manifestUrl.Get(), buffer, kManifestBufferSize - 1);
    LogAnswer(strUrl, nullptr, manifestUrl.Get(), static_cast<DWORD>(std::strlen(buffer)), start);
    failure = ManifestReadFailed;
    if (!got) return false;
    manifest = buffer;
    return true;
}

// The signature served beside the executable; without one there is nothing
// to offer, since nothing downloaded could ever be trusted. None when read;
// a server that cannot be reached is told from one that serves no signature.
UpdateFailure FetchSignature(CAutoUpdater& updater, CString strUrl, const CString& release, Signature& signature) {
    const DWORD start = GetTickCount();
    UrlHandle sigUrl(updater.OpenUrl(strUrl));
    if (!sigUrl) return UpdateFailure::Network;
    DWORD bytes = 0;
    const bool read = ReadSignature(sigUrl.Get(), signature, bytes);
    LogAnswer(strUrl, release, sigUrl.Get(), bytes, start);
    return read ? UpdateFailure::None : UpdateFailure::Signature;
}

// A file of the announced release. The version in the query names the
// release, so a cache keyed by address can never pair one release's
// signature with another's executable; a static host ignores the query.
// The manifest has passed the version comparison: digits and dots only,
// nothing that could end the query or start another.
CString ReleaseFileUrl(const UpdateJob& job, const char* suffix) {
    return job.baseUrl + job.fileName + suffix + "?v=" + job.manifest;
}

// Only a download that the maker signed, and that is a whole executable newer
// than the running program, may take its place. The signature comes first:
// nothing else of an unsigned body is looked at. Newer rather than the
// announced version: a manifest may name a version in short, and no signed
// old release may be put back. All three read the bytes through the handle
// that wrote them, which no one else can write through.
// Why not, for the log; null when it may.
const char* Rejection(CAutoUpdater& updater, HANDLE file, const Signature& signature, const CString& ownVersion) {
    if (!IsSignedByMaker(file, signature)) return "bad signature";
    if (!IsCompleteWin32ExecutableFile(file)) return "no 32-bit executable";
    if (updater.CompareVersions(ImageFileVersion(file), ownVersion) != kVersionNewer)
        return "not newer";
    return nullptr;
}

// The executable's folder, with its final backslash.
CString FolderOf(const CString& path) { return path.Left(path.ReverseFind('\\') + 1); }

}  // namespace

bool FetchOffer(CAutoUpdater& updater, UpdateJob& job) {
    // Before anything is asked of the server: no offer this user could not
    // complete.
    job.modulePath = updater.GetModulePath();
    const ReplaceRight right = MayReplaceExecutable(job.modulePath);
    if (right != ReplaceRight::Granted) {
        LogEvent("no check: may not replace the %s", right == ReplaceRight::FolderClosed ? "folder's files" : "executable");
        return End(job, NotPermitted, UpdateFailure::NotAllowed);
    }
    if (!updater.IsConnected()) {
        LogEvent("no check: no connection");
        return End(job, NotConnected, UpdateFailure::Network);
    }

    UpdateResult failure = OpenFailed;
    if (!ReadManifest(updater, job, job.manifest, failure)) return End(job, failure, UpdateFailure::Network);
    job.watch.Heard();

    job.ownVersion = updater.GetFileVersionString(job.modulePath);
    if (job.ownVersion.IsEmpty()) return End(job, OwnVersionUnknown, UpdateFailure::NoOwnVersion);
    const int order = updater.CompareVersions(job.manifest, job.ownVersion);
    LogEvent("announced %s, running %s: %s", job.manifest.c_str(), job.ownVersion.c_str(),
             order == kVersionNewer ? "newer" : order == kFirstVersionMalformed ? "no version" : "not newer");
    // A manifest that is no version says nothing of what is current.
    if (order != kVersionNewer)
        return End(job, NoNewerVersion,
                   order == kFirstVersionMalformed ? UpdateFailure::Network : UpdateFailure::None);
    // A release that never started here is not offered again; a newer one is.
    if (IsUndoneRelease(job.modulePath, job.manifest)) {
        LogEvent("no offer: %s was undone here", job.manifest.c_str());
        return End(job, NoNewerVersion, UpdateFailure::Undone);
    }

    job.fileName = FileNameOf(job.modulePath);
    const UpdateFailure signature =
        FetchSignature(updater, ReleaseFileUrl(job, kSignatureSuffix), job.manifest, job.signature);
    if (signature != UpdateFailure::None) {
        LogEvent("no offer of %s: no signature", job.manifest.c_str());
        return End(job, OpenFailed, signature);
    }
    job.watch.Heard();

    CString strUrl = ReleaseFileUrl(job, "");
    job.exeUrl.Reset(updater.OpenUrl(strUrl));
    if (!job.exeUrl) return End(job, OpenFailed, UpdateFailure::Network);
    return true;
}

bool OfferUpdate(UpdateJob& job) {
    CString strPrompt;
    strPrompt.Format("新版本 %s 现在可用，是否下载更新？", job.manifest.c_str());
    // Only a clear Yes downloads: a box that could not be shown answers 0.
    const int answer = MessageBoxA(GetActiveWindow(), strPrompt, "有新版更新", MB_YESNO | MB_ICONQUESTION);
    LogEvent("offer of %s: %s", job.manifest.c_str(), answer == IDYES ? "Yes" : answer == IDNO ? "No" : "no answer");
    if (answer == IDYES) return true;
    job.exeUrl.Close();
    return End(job, NotReplaced, UpdateFailure::None);
}

bool AlreadyInstalled(CAutoUpdater& updater, const UpdateJob& job) {
    // Read from the file's own bytes: asked about the running module's own
    // path, the version library answers from the image loaded at start, not
    // from the file another copy may have moved there since; and no copy of
    // it is made anywhere another user could put one in its place.
    FileHandle onDisk(CreateFileA(job.modulePath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL));
    if (!onDisk.IsValid()) return false;
    int order = updater.CompareVersions(ImageFileVersion(onDisk.Get()), job.manifest);
    const bool installed = order == kVersionNewer || order == kVersionsEqual;
    if (installed) LogEvent("%s already installed", job.manifest.c_str());
    return installed;
}

bool ChooseDownloadFile(UpdateJob& job, DWORD processId) {
    CString folder = FolderOf(job.modulePath);
    if (folder.IsEmpty()) return End(job, DownloadFailed, UpdateFailure::NotAllowed);
    RemoveStaleDownloads(folder, job.fileName, job.modulePath);
    job.downloadFile = DownloadFileName(folder, job.fileName, job.modulePath, processId);
    return true;
}

bool DownloadUpdate(CAutoUpdater& updater, UpdateJob& job) {
    if (!job.exeUrl) {
        CString strUrl = ReleaseFileUrl(job, "");
        job.exeUrl.Reset(updater.OpenUrl(strUrl));
        job.watch.Heard();
    }
    DownloadEnd end = DownloadEnd::Broken;
    const DWORD start = GetTickCount();
    DWORD bytes = 0;
    if (job.exeUrl && AnsweredOk(job.exeUrl.Get()))
        end = DownloadInto(job.exeUrl.Get(), job.downloadFile, job.watch, bytes);
    if (job.exeUrl) LogAnswer(ReleaseFileUrl(job, ""), job.manifest, job.exeUrl.Get(), bytes, start);
    job.exeUrl.Close();
    if (end == DownloadEnd::Whole) return true;
    static const char* const kEnds[] = {"", "broken off", "no file", "too large"};
    LogEvent("download of %s: %s", job.manifest.c_str(), kEnds[static_cast<int>(end)]);
    DeleteFileA(job.downloadFile);
    return End(job, DownloadFailed,
               end == DownloadEnd::NoFile     ? UpdateFailure::NotAllowed
               : end == DownloadEnd::TooLarge ? UpdateFailure::TooLarge
                                              : UpdateFailure::Network);
}

UpdateResult InstallUpdate(CAutoUpdater& updater, UpdateJob& job) {
    FileHandle file = job.watch.TakeFile();
    const char* rejection =
        file.IsValid() ? Rejection(updater, file.Get(), job.signature, job.ownVersion) : "gone";
    const bool trusted = !rejection;
    LogEvent("download of %s: %s", job.manifest.c_str(), trusted ? "verified" : rejection);
    // On the disk before it can be moved into the executable's place: after a
    // power cut a moved but unflushed file is zeros.
    const bool kept = trusted && FlushFileBuffers(file.Get()) != FALSE;
    file.Close();
    const bool swapped = kept && updater.ReplaceExecutable(job.modulePath, job.downloadFile, false);
    if (trusted) LogEvent("swap to %s: %s", job.manifest.c_str(), swapped ? "done" : "failed");
    if (swapped) return Updated;
    // Rejected, or a swap that failed and put the old image back: the
    // download was never moved and is of no further use.
    DeleteFileA(job.downloadFile);
    End(job, trusted ? NotReplaced : DownloadFailed, trusted ? UpdateFailure::NotAllowed : UpdateFailure::Signature);
    return job.result;
}
