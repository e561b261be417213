// The update procedure in steps, so that its network parts can run off the
// window's thread while the offer, the check of the download, the swap and
// the messages stay on it, in the procedure's order:
//   FetchOffer (network) -> OfferUpdate (window) -> [lock] ->
//   AlreadyInstalled (window) -> DownloadUpdate (network) -> InstallUpdate (window)
// A step that returns false has ended the procedure with job.result.
#pragma once
#include "update/AutoUpdater.h"
#include "update/SignatureCheck.h"
#include "update/TransferWatch.h"
#include "base/Handles.h"

struct UpdateJob {
    explicit UpdateJob(const char* lpszBaseUrl) : baseUrl(lpszBaseUrl) {}

    CString baseUrl;
    CString modulePath;
    CString ownVersion;
    CString fileName;
    CString manifest;  // as read, shown in the offer
    Signature signature{};
    UrlHandle exeUrl;  // opened before the offer; reopened by the download when closed meanwhile
    CString downloadFile;  // beside the executable, so it has the folder's rights
    UpdateResult result = Updated;
    UpdateFailure failure = UpdateFailure::None;  // why a failed step ended it
    TransferWatch watch;  // of the network step under way
};

// Connection, manifest, own version, comparison, signature, and the
// executable's URL opened: everything the offer needs.
bool FetchOffer(CAutoUpdater& updater, UpdateJob& job);
// The question; NotReplaced when declined.
bool OfferUpdate(UpdateJob& job);
// True when the executable on disk already carries the offered version or a
// newer one: another copy of the program has just installed it. False when
// that cannot be read.
bool AlreadyInstalled(CAutoUpdater& updater, const UpdateJob& job);
// The file of this download, in the executable's own folder: a file made
// there takes that folder's rights, so every user who may start the
// executable may start the update once it is moved in (one made in this
// user's temporary folder would keep that folder's rights, this user's
// alone). Leftovers of ended processes are deleted first.
bool ChooseDownloadFile(UpdateJob& job, plat::DWORD processId);
// The executable into job.downloadFile, made new and held open in job.watch;
// on DownloadFailed the file is gone.
bool DownloadUpdate(CAutoUpdater& updater, UpdateJob& job);
// The signature, executable and version check of the bytes held under the
// download's handle, then the swap; on any failure the download is deleted
// and job.failure says why.
UpdateResult InstallUpdate(CAutoUpdater& updater, UpdateJob& job);
