#include "update/BackgroundUpdate.h"

#include "update/ScheduledCheck.h"
#include "update/TransferDeadline.h"
#include "update/UpdateSteps.h"

#include "platform/Threads.h"

#include "BuildConfig.h"

#include <memory>
#include <new>

using namespace plat;

namespace {

const char kUpdateDirectoryUrl[] = "http://" TQ_HOST "/tarnquill/update/";
// A copy that finds another one updating waits this long for it to finish.
constexpr DWORD kLockWaitMs = 5 * 60 * 1000;

using Step = bool (*)(CAutoUpdater&, UpdateJob&);

// What a worker needs; the worker owns it and shares the job.
struct WorkerTask {
    std::shared_ptr<UpdateJob> job;
    CAutoUpdater* updater;
    HWND window;
    Step step;
    UpdateResult failure;  // the result when the step throws
};

void RunStep(void* arg) {
    std::unique_ptr<WorkerTask> task(static_cast<WorkerTask*>(arg));
    try {
        task->step(*task->updater, *task->job);
    } catch (...) {
        task->job->result = task->failure;
    }
    // A window that has closed meanwhile gets nothing, and nothing follows.
    PostMessageA(task->window, WM_UPDATE_STEP_DONE, 0, 0);
}

bool BoxOpen(HWND hWnd) { return FindOtherVisibleThreadWindow(hWnd) != nullptr; }

}  // namespace

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
        m_job = std::make_shared<UpdateJob>(m_baseUrl);
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
        Finish(hWnd, m_job->result == Updated ? InstallUpdate(m_updater, *m_job) : m_job->result);
}

void CBackgroundUpdate::AfterFetch(HWND hWnd) {
    if (m_job->result != Updated) {
        Finish(hWnd, m_job->result);
        return;
    }
    if (!OfferUpdate(*m_job)) {
        Finish(hWnd, m_job->result);
        return;
    }
    m_stage = Stage::Locking;
    m_lockWaitStart = GetTickCount();
    TakeLock(hWnd);
}

void CBackgroundUpdate::TakeLock(HWND hWnd) {
    if (!m_lock.Acquire(m_job->modulePath, 0)) {
        if (GetTickCount() - m_lockWaitStart > kLockWaitMs) {
            Finish(hWnd, NotReplaced);
            return;
        }
        // The other copy's download may take long; the connection is reopened after.
        m_job->exeUrl.Close();
        WaitASecond(hWnd);
        return;
    }
    if (AlreadyInstalled(m_updater, *m_job)) {
        Finish(hWnd, Updated);
        return;
    }
    if (!ChooseDownloadFile(*m_job, GetCurrentProcessId())) {
        Finish(hWnd, m_job->result);
        return;
    }
    StartWork(hWnd, Stage::Downloading, DownloadUpdate, DownloadFailed);
}

void CBackgroundUpdate::StartWork(HWND hWnd, Stage running, Step step, UpdateResult failure) {
    m_stage = running;
    std::unique_ptr<WorkerTask> task(new (std::nothrow) WorkerTask);
    if (task) *task = WorkerTask{m_job, &m_updater, hWnd, step, failure};
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
    m_job.reset();
    m_lock.Release();
    ShowUpdateOutcome(hWnd, result);
}
