#include "update/BackgroundUpdate.h"

#include "update/UpdateOutcome.h"
#include "update/UpdatePolicy.h"
#include "update/UpdateSteps.h"

#include "base/SupportLog.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"

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
    UpdateJob& job = task->job.Get()->job;
    task->step(*task->updater, job);
    // A step the window has called off has already been reported; a window
    // that has closed meanwhile gets nothing, and nothing follows.
    if (job.watch.Done()) PostMessageA(task->window, WM_UPDATE_STEP_DONE, 0, 0);
}

bool BoxOpen(HWND hWnd) { return FindOtherVisibleThreadWindow(hWnd) != nullptr; }

}  // namespace

UpdateJob& CBackgroundUpdate::Job() { return m_job.Get()->job; }

CBackgroundUpdate::CBackgroundUpdate(CAutoUpdater& updater, const char* baseUrl)
    : m_updater(updater), m_baseUrl(baseUrl) {}

CBackgroundUpdate::~CBackgroundUpdate() = default;

void CBackgroundUpdate::Start(HWND hWnd) {
    // An administrator who keeps the program current another way (or not at
    // all) has turned the check off: no request, no offer, whatever ticks.
    const UpdatePolicy policy = ReadUpdatePolicy();
    if (!policy.autoUpdate) {
        m_stage = Stage::Finished;
        return;
    }
    if (m_baseUrl.IsEmpty()) m_baseUrl = policy.directory;
    SetTimer(hWnd, IDT_UPDATE_CHECK, kUpdateCheckDelayMs);
}

void CBackgroundUpdate::OnTimer(HWND hWnd, unsigned nIDEvent) {
    if (nIDEvent == IDT_UPDATE_CHECK) {
        // One check per start, and none while this one runs.
        KillTimer(hWnd, IDT_UPDATE_CHECK);
        if (m_stage == Stage::Scheduled) Continue(hWnd);
    } else if (nIDEvent == IDT_UPDATE_WATCH) {
        WatchStep(hWnd);
    } else if (nIDEvent == IDT_UPDATE_RETRY) {
        Continue(hWnd);
    }
}

void CBackgroundUpdate::OnStepDone(HWND hWnd) {
    KillTimer(hWnd, IDT_UPDATE_WATCH);
    if (m_stage == Stage::Fetching) m_stage = Stage::Fetched;
    else if (m_stage == Stage::Downloading) m_stage = Stage::Downloaded;
    else return;
    Continue(hWnd);
}

void CBackgroundUpdate::Continue(HWND hWnd) {
    // A step on a worker goes on when it reports; a finished check never.
    if (m_stage == Stage::Fetching || m_stage == Stage::Downloading || m_stage == Stage::Finished) {
        KillTimer(hWnd, IDT_UPDATE_RETRY);
        return;
    }
    // No step runs inside an open box: the shortcut question, the About box,
    // a message box.
    if (BoxOpen(hWnd)) {
        WaitASecond(hWnd);
        return;
    }
    KillTimer(hWnd, IDT_UPDATE_RETRY);
    if (m_stage == Stage::Scheduled) BeginCheck(hWnd);
    else if (m_stage == Stage::Fetched) AfterFetch(hWnd);
    else if (m_stage == Stage::Locking) TakeLock(hWnd);
    else if (m_stage == Stage::Downloaded)
        Finish(hWnd, Job().result == Updated ? InstallUpdate(m_updater, Job()) : Job().result);
    else if (m_stage == Stage::CalledOff)
        Finish(hWnd, m_calledOff);  // the job is the worker's now
}

void CBackgroundUpdate::BeginCheck(HWND hWnd) {
    m_job.Reset(new (std::nothrow) SharedJob(m_baseUrl));
    if (!m_job) {
        Finish(hWnd, OpenFailed);  // as silent as an unreachable server
        return;
    }
    StartWork(hWnd, Stage::Fetching, FetchOffer, OpenFailed);
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
            LogEvent("lock held: given up");
            Finish(hWnd, NotReplaced);
            return;
        }
        // The other copy's download may take long; the connection is reopened after.
        Job().exeUrl.Close();
        WaitASecond(hWnd);
        return;
    }
    if (AlreadyInstalled(m_updater, Job())) {
        Finish(hWnd, Updated);
        return;
    }
    if (!ChooseDownloadFile(Job(), GetCurrentProcessId())) {
        Finish(hWnd, Job().result);
        return;
    }
    StartWork(hWnd, Stage::Downloading, DownloadUpdate, DownloadFailed);
}

// A step that has heard nothing from the server for a network wait, or a
// download past its whole deadline, is called off: a stalled manifest ends
// as an unreachable server, a stalled download as an unusable one. The
// worker may stay blocked in its read; what it does afterwards counts for
// nothing.
void CBackgroundUpdate::WatchStep(HWND hWnd) {
    if (m_stage != Stage::Fetching && m_stage != Stage::Downloading) {
        KillTimer(hWnd, IDT_UPDATE_WATCH);
        return;
    }
    UpdateJob& job = Job();
    const bool downloading = m_stage == Stage::Downloading;
    const bool overdue = downloading && GetTickCount() - m_stepStart > kDownloadDeadlineMs;
    if (!overdue && !job.watch.SilentFor(kNetworkWaitMs)) return;
    // Refused while the worker writes (it is not stalled then) or once its
    // step has ended and the result is on its way.
    if (!job.watch.CallOff()) return;
    LogEvent("%s called off: %s", downloading ? "download" : "check", overdue ? "deadline" : "silent");
    KillTimer(hWnd, IDT_UPDATE_WATCH);
    if (downloading) DeleteFileA(job.downloadFile);
    // Reported like any other result: never inside an open box.
    m_calledOff = downloading ? DownloadFailed : OpenFailed;
    m_stage = Stage::CalledOff;
    Continue(hWnd);
}

void CBackgroundUpdate::StartWork(HWND hWnd, Stage running, Step step, UpdateResult failure) {
    m_stage = running;
    m_stepStart = GetTickCount();
    Job().watch.Begin();
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
        SetTimer(hWnd, IDT_UPDATE_WATCH, kUpdateRetryMs);
        return;
    }
    Finish(hWnd, failure);
}

void CBackgroundUpdate::WaitASecond(HWND hWnd) { SetTimer(hWnd, IDT_UPDATE_RETRY, kUpdateRetryMs); }

void CBackgroundUpdate::Finish(HWND hWnd, UpdateResult result) {
    KillTimer(hWnd, IDT_UPDATE_WATCH);
    KillTimer(hWnd, IDT_UPDATE_RETRY);
    m_stage = Stage::Finished;
    m_job.Close();
    m_lock.Release();
    LogEvent("check ended: result %d", static_cast<int>(result));
    ShowUpdateOutcome(hWnd, result);
}
