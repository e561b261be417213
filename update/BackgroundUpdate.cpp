#include "update/BackgroundUpdate.h"

#include "update/ScheduledCheck.h"
#include "update/TransferDeadline.h"
#include "update/UpdateSteps.h"

#include "platform/Threads.h"

#include "BuildConfig.h"

#include <atomic>
#include <memory>
#include <new>

using namespace plat;

struct SharedJob {
    explicit SharedJob(const char* baseUrl) : job(baseUrl) {}
    UpdateJob job;
    std::atomic<int> holds{1};
};

void SharedJobTraits::Close(SharedJob* shared) {
    if (shared->holds.fetch_sub(1) == 1) delete shared;
}

namespace {

const char kUpdateDirectoryUrl[] = "http://" TQ_HOST "/tarnquill/update/";
// A copy that finds another one updating waits this long for it to finish.
constexpr DWORD kLockWaitMs = 5 * 60 * 1000;

using Step = bool (*)(CAutoUpdater&, UpdateJob&);

// What a worker needs; the worker owns it, and a hold on the job.
struct WorkerTask {
    SharedJobHold job;
    CAutoUpdater* updater = nullptr;
    HWND window = nullptr;
    Step step = nullptr;
};

void RunStep(void* arg) {
    std::unique_ptr<WorkerTask> task(static_cast<WorkerTask*>(arg));
    task->step(*task->updater, task->job.Get()->job);
    // A window that has closed meanwhile gets nothing, and nothing follows.
    PostMessageA(task->window, WM_UPDATE_STEP_DONE, 0, 0);
}

bool BoxOpen(HWND hWnd) { return FindOtherVisibleThreadWindow(hWnd) != nullptr; }

}  // namespace

UpdateJob& CBackgroundUpdate::Job() { return m_job.Get()->job; }

CBackgroundUpdate::CBackgroundUpdate(CAutoUpdater& updater, const char* baseUrl)
    : m_updater(updater), m_baseUrl(baseUrl ? baseUrl : kUpdateDirectoryUrl) {}

CBackgroundUpdate::~CBackgroundUpdate() = default;

void CBackgroundUpdate::OnTimer(HWND hWnd, unsigned nIDEvent) {
    if (nIDEvent != IDT_UPDATE_CHECK) return;
    switch (m_stage) {
    case Stage::Scheduled:
        // The check never runs inside an open box: the shortcut question,
        // the About box, a message box.
        if (BoxOpen(hWnd)) {
            WaitASecond(hWnd);
            return;
        }
        // First, so no second check starts while this one runs.
        KillTimer(hWnd, IDT_UPDATE_CHECK);
        m_job.Reset(new (std::nothrow) SharedJob(m_baseUrl));
        if (!m_job) {
            Finish(hWnd, OpenFailed);  // as silent as an unreachable server
            return;
        }
        StartWork(hWnd, Stage::Fetching, FetchOffer, OpenFailed);
        return;
    case Stage::Fetched:
    case Stage::Locking:
    case Stage::Downloaded:
        Continue(hWnd);
        return;
    default:
        KillTimer(hWnd, IDT_UPDATE_CHECK);
        return;
    }
}

void CBackgroundUpdate::OnStepDone(HWND hWnd) {
    if (m_stage == Stage::Fetching) m_stage = Stage::Fetched;
    else if (m_stage == Stage::Downloading) m_stage = Stage::Downloaded;
    else return;
    Continue(hWnd);
}

void CBackgroundUpdate::Continue(HWND hWnd) {
    if (BoxOpen(hWnd)) {
        WaitASecond(hWnd);
        return;
    }
    KillTimer(hWnd, IDT_UPDATE_CHECK);
    if (m_stage == Stage::Fetched) AfterFetch(hWnd);
    else if (m_stage == Stage::Locking) TakeLock(hWnd);
    else if (m_stage == Stage::Downloaded)
        Finish(hWnd, Job().result == Updated ? InstallUpdate(m_updater, Job()) : Job().result);
}

void CBackgroundUpdate::AfterFetch(HWND hWnd) {
    if (Job().result != Updated) {
        Finish(hWnd, Job().result);
        return;
    }
    if (!OfferUpdate(Job())) {
        Finish(hWnd, Job().result);
        return;
    }
    m_stage = Stage::Locking;
    m_lockWaitStart = GetTickCount();
    TakeLock(hWnd);
}

void CBackgroundUpdate::TakeLock(HWND hWnd) {
    if (!m_lock.Acquire(Job().modulePath, 0)) {
        if (GetTickCount() - m_lockWaitStart > kLockWaitMs) {
            Finish(hWnd, NotReplaced);
            return;
        }
        // The other copy's download may take long; the connection is reopened after.
        Job().exeUrl.Close();
        WaitASecond(hWnd);
        return;
    }
    if (AlreadyInstalled(m_updater, Job(), GetCurrentProcessId())) {
        Finish(hWnd, Updated);
        return;
    }
    if (!ChooseDownloadFile(Job(), GetCurrentProcessId())) {
        Finish(hWnd, Job().result);
        return;
    }
    StartWork(hWnd, Stage::Downloading, DownloadUpdate, DownloadFailed);
}

void CBackgroundUpdate::StartWork(HWND hWnd, Stage running, Step step, UpdateResult failure) {
    m_stage = running;
    std::unique_ptr<WorkerTask> task(new (std::nothrow) WorkerTask);
    if (task) {
        m_job.Get()->holds.fetch_add(1);
        task->job.Reset(m_job.Get());
        task->updater = &m_updater;
        task->window = hWnd;
        task->step = step;
    }
    // From its start on, the worker owns the task.
    if (task && StartWorker(RunStep, task.get())) {
        static_cast<void>(task.release());
        return;
    }
    Finish(hWnd, failure);
}

void CBackgroundUpdate::WaitASecond(HWND hWnd) { SetTimer(hWnd, IDT_UPDATE_CHECK, kUpdateRetryMs); }

void CBackgroundUpdate::Finish(HWND hWnd, UpdateResult result) {
    m_stage = Stage::Finished;
    m_job.Close();
    m_lock.Release();
    ShowUpdateOutcome(hWnd, result);
}
