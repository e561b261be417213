// A main window that runs the background update check as CMainDlg does:
// the check started with the window, WM_TIMER and WM_UPDATE_STEP_DONE
// reaching it, WM_CLOSE the relaunch.
#pragma once
#include "UpdateWorld.h"

#include "update/BackgroundUpdate.h"
#include "update/UpdateOutcome.h"

#include <optional>
#include <string>
#include <vector>

namespace updtest {

class WindowCheck {
public:
    // baseUrl null: the policy's directory, or the program's own.
    explicit WindowCheck(CAutoUpdater& updater, const char* baseUrl = kBaseUrl.c_str()) : check(updater, baseUrl) {
        window = sim::CreateWindow(nullptr, 0, {0, 0, 640, 480});
        sim::SetMessageHandler(window, [this](plat::UINT msg, plat::WPARAM wParam, plat::LPARAM) {
            if (msg == plat::WM_TIMER) check.OnTimer(window, static_cast<unsigned>(wParam));
            if (msg == WM_UPDATE_STEP_DONE) check.OnStepDone(window);
            if (msg == plat::WM_CLOSE) {
                RelaunchIfRequested("tarnquill");
                ++closes;
            }
            return plat::LRESULT{0};
        });
        check.Start(window);
    }
    ~WindowCheck() { sim::DestroyWindow(window); }

    // The timer's tick, then every worker and posted step until none is left.
    bool TickAndPump(unsigned id = IDT_UPDATE_CHECK) {
        bool fired = sim::FireTimer(window, id);
        sim::Pump();
        return fired;
    }
    bool TimerLive(unsigned id = IDT_UPDATE_CHECK) { return sim::LiveTimers(window).count(id) > 0; }
    // A step waits for an open box or for another copy's lock.
    bool Waiting() { return TimerLive(IDT_UPDATE_RETRY); }
    // The waiting step's next look.
    bool RetryAndPump() { return TickAndPump(IDT_UPDATE_RETRY); }

    CBackgroundUpdate check;
    plat::HWND window = nullptr;
    int closes = 0;
};

// The world of one start: the main window with its check, and no restart
// asked for yet.
class WindowWorld : public UpdateWorld {
protected:
    void SetUp() override {
        UpdateWorld::SetUp();
        g_bRestartAfterUpdate = false;
        main.emplace(Updater());
    }
    void TearDown() override {
        main.reset();
        AwaitRelaunched();  // a restart started by the test is settled with it
        g_bRestartAfterUpdate = false;
        UpdateWorld::TearDown();
    }

    // The captions of the boxes shown, from the first'th on.
    static std::vector<std::string> Captions(std::size_t first = 0) {
        std::vector<std::string> out;
        const auto boxes = sim::MessageBoxes();
        for (std::size_t i = first; i < boxes.size(); ++i) out.push_back(boxes[i].caption);
        return out;
    }

    std::optional<WindowCheck> main;
};

}  // namespace updtest
