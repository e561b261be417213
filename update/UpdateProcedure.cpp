// The update procedure in one blocking call, the steps of UpdateSteps.h in
// their order on the calling thread: what "/update /quiet" runs. Nobody is
// asked (whoever started it has decided) and nothing is shown; the window's
// check drives the same steps with its question (BackgroundUpdate.cpp).
#include "update/AutoUpdater.h"
#include "update/UpdateLock.h"
#include "update/UpdateSettings.h"
#include "update/UpdateSteps.h"

#include "base/SupportLog.h"
#include "platform/Threads.h"

namespace {

UpdateResult Run(CAutoUpdater& updater, UpdateJob& job) {
    if (!FetchOffer(updater, job)) return job.result;
    UpdateLock lock;
    if (!lock.Acquire(job.modulePath, 0)) {
        // Another copy's download may take long; the connection is reopened after.
        job.exeUrl.Close();
        if (!lock.Acquire(job.modulePath, kLockWaitMs)) {
            LogEvent("lock held: given up");
            job.failure = UpdateFailure::LockHeld;
            return NotReplaced;
        }
    }
    if (AlreadyInstalled(updater, job)) return Updated;
    if (!ChooseDownloadFile(job, plat::GetCurrentProcessId()) || !DownloadUpdate(updater, job)) return job.result;
    return InstallUpdate(updater, job);
}

}  // namespace

UpdateResult CAutoUpdater::CheckForUpdate(const char* lpszBaseUrl, UpdateFailure* why) {
    UpdateJob job(lpszBaseUrl);
    const UpdateResult result = Run(*this, job);
    if (why) *why = job.failure;
    return result;
}
