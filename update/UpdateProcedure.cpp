// The update procedure in one blocking call: the steps of UpdateSteps.h in
// their order, on the calling thread.
#include "update/AutoUpdater.h"
#include "update/UpdateLock.h"
#include "update/UpdateSettings.h"
#include "update/UpdateSteps.h"

#include "platform/Threads.h"

UpdateResult CAutoUpdater::CheckForUpdate(const char* lpszBaseUrl) {
    UpdateJob job(lpszBaseUrl);
    if (!FetchOffer(*this, job) || !OfferUpdate(job)) return job.result;

    UpdateLock lock;
    if (!lock.Acquire(job.modulePath, kLockWaitMs)) return NotReplaced;
    if (AlreadyInstalled(*this, job)) return Updated;
    if (!ChooseDownloadFile(job, plat::GetCurrentProcessId()) || !DownloadUpdate(*this, job)) return job.result;
    return InstallUpdate(*this, job);
}
