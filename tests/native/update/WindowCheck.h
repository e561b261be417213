// A main window that runs the background update check as CMainDlg does:
// WM_TIMER and WM_UPDATE_STEP_DONE reach the check, WM_CLOSE the relaunch.
#pragma once
#include "UpdateWorld.h"

#include "update/BackgroundUpdate.h"
#include "update/UpdateOutcome.h"

namespace updtest {

class WindowCheck {
public:
    explicit WindowCheck(CAutoUpdater& updater) : check(updater, kBaseUrl.c_str()) {
        window = sim::CreateWindow(nullptr, 0, {0, 0, 640, 480});
        plat::SetTimer(window, IDT_UPDATE_CHECK, 20000);
        sim::SetMessageHandler(window, [this](plat::UINT msg, plat::WPARAM wParam, plat::LPARAM) {
            if (msg == plat::WM_TIMER) check.OnTimer(window, static_cast<unsigned>(wParam));
            if (msg == WM_UPDATE_STEP_DONE) check.OnStepDone(window);
            if (msg == plat::WM_CLOSE) {
                RelaunchIfRequested("tarnquill");
                ++closes;
            }
            return plat::LRESULT{0};
        });
    }
    ~WindowCheck() { sim::DestroyWindow(window); }

    // The timer's tick, then every worker and posted step until none is left.
    bool TickAndPump(unsigned id = IDT_UPDATE_CHECK) {
        bool fired = sim::FireTimer(window, id);
        sim::Pump();
        return fired;
    }
    bool TimerLive() { return sim::LiveTimers(window).count(IDT_UPDATE_CHECK) > 0; }

    CBackgroundUpdate check;
    plat::HWND window = nullptr;
    int closes = 0;
};

}  // namespace updtest
