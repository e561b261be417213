// The main window's update check, with its network parts on worker threads
// so the window keeps answering: the manifest and signature, then the
// download, each reported back with WM_UPDATE_STEP_DONE and watched by the
// window's one-second timer, which calls off a step the server has left
// unanswered for a network wait. The offer, the
// check of the download, the swap, the messages and the restart run on the
// window's thread, and only while no box of the program is open: a step
// that finds one waits a second on a timer of its own and looks again.
#pragma once
#include "update/AutoUpdater.h"
#include "update/UpdateLock.h"
#include "update/UpdateSettings.h"

#include "base/Owner.h"

#include "platform/User.h"

struct UpdateJob;

// The job of one check, shared by the window and the worker of the running
// step, which may outlive the window: the last one to let go frees it.
struct SharedJob;
struct SharedJobTraits {
    using Type = SharedJob*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(const SharedJob* job) { return job != nullptr; }
    static void Close(Type job);  // lets go of one hold
};
using SharedJobHold = Owner<SharedJobTraits>;

// Posted to the window by the worker when its step has ended.
constexpr plat::UINT WM_UPDATE_STEP_DONE = plat::WM_APP + 1;

class CBackgroundUpdate {
public:
    // baseUrl null: the update directory of the policy, or the program's own.
    explicit CBackgroundUpdate(CAutoUpdater& updater, const char* baseUrl = nullptr);
    ~CBackgroundUpdate();
    CBackgroundUpdate(const CBackgroundUpdate&) = delete;
    CBackgroundUpdate& operator=(const CBackgroundUpdate&) = delete;

    // From the window's initialisation: the check runs once, a while later,
    // unless the policy has turned it off.
    void Start(plat::HWND hWnd);
    // WM_TIMER of the window, before its default processing.
    void OnTimer(plat::HWND hWnd, unsigned nIDEvent);
    // WM_UPDATE_STEP_DONE.
    void OnStepDone(plat::HWND hWnd);

private:
    enum class Stage { Scheduled, Fetching, Fetched, Locking, Downloading, Downloaded, CalledOff, Finished };

    void Continue(plat::HWND hWnd);
    void BeginCheck(plat::HWND hWnd);
    void AfterFetch(plat::HWND hWnd);
    void TakeLock(plat::HWND hWnd);
    void WatchStep(plat::HWND hWnd);
    void StartWork(plat::HWND hWnd, Stage running, bool (*step)(CAutoUpdater&, UpdateJob&),
                   UpdateResult failure);
    UpdateJob& Job();
    void WaitASecond(plat::HWND hWnd);
    void Finish(plat::HWND hWnd, UpdateResult result);

    CAutoUpdater& m_updater;
    CString m_baseUrl;
    Stage m_stage = Stage::Scheduled;
    SharedJobHold m_job;
    UpdateLock m_lock;  // taken and given back on the window's thread
    plat::DWORD m_lockWaitStart = 0;
    plat::DWORD m_stepStart = 0;
    UpdateResult m_calledOff = OpenFailed;  // what a called-off step reports
};
