// A dialog made from an in-memory template that records what its modal
// loop shows it, runs a test's steps from OnInitDialog and always ends: a
// watchdog timer closes it with kTimedOut.
#pragma once
#include "afx/Afx.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tq_test {

constexpr int kTimedOut = -99;
constexpr UINT kWatchdogTimer = 99;
constexpr UINT kEndTimer = 98;

class CProbeDlg : public CDialog {
public:
    explicit CProbeDlg(const std::vector<std::uint8_t>& tmpl, CWnd* parent = nullptr,
                       const std::vector<std::uint8_t>& dlgInit = {})
        : CDialog(0, parent) {
        InitModalIndirect(tmpl.data(), tmpl.size(), parent, dlgInit.empty() ? nullptr : dlgInit.data(),
                          dlgInit.size());
    }

    std::function<void(CProbeDlg&)> onInit;
    std::function<void(CProbeDlg&)> onEndTimer;  // runs before the dialog ends on kEndTimer
    std::vector<MSG> pretranslated;
    UINT bindId = 0;  // DDX_Control target for m_ctl
    CWnd m_ctl;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetTimer(kWatchdogTimer, 10000);
        if (onInit) onInit(*this);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override {
        if (bindId) DDX_Control(pDX, static_cast<int>(bindId), m_ctl);
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        pretranslated.push_back(*pMsg);
        return CDialog::PreTranslateMessage(pMsg);
    }
    bool Pretranslated(HWND hWnd, UINT message) const {
        for (const MSG& m : pretranslated)
            if (m.hwnd == hWnd && m.message == message) return true;
        return false;
    }

protected:
    void OnTimer(UINT nIDEvent) {
        if (nIDEvent == kWatchdogTimer) EndDialog(kTimedOut);
        if (nIDEvent == kEndTimer) {
            KillTimer(kEndTimer);
            if (onEndTimer) onEndTimer(*this);
            EndDialog(IDOK);
        }
    }
    DECLARE_MESSAGE_MAP()
};

}  // namespace tq_test
