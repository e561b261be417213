// Message boxes answered from a script, with a loud failure for a box that
// nobody scripted (a real user would be left facing it).
#include "platform/User.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <deque>

namespace sim {
namespace detail {
namespace {

struct BoxState {
    std::deque<int> answers;
    std::function<void()> whileOpen;
    std::vector<MessageBoxCall> shown;
    std::vector<MessageBoxCall> unexpected;
    plat::HWND active = nullptr;
    std::string appName = "tarnquill";
};

BoxState& State() {
    static BoxState state;
    return state;
}

int Show(const MessageBoxCall& call) {
    auto& st = State();
    st.shown.push_back(call);
    if (st.whileOpen) {
        const std::function<void()> action = std::move(st.whileOpen);
        st.whileOpen = nullptr;
        action();
    }
    if (st.answers.empty()) {
        st.unexpected.push_back(call);
        ADD_FAILURE() << "unexpected message box: caption \"" << call.caption << "\", text \""
                      << call.text << "\", style 0x" << std::hex << call.style;
        return plat::IDCANCEL;
    }
    const int answer = st.answers.front();
    st.answers.pop_front();
    return answer;
}

}  // namespace

void ResetMessageBoxes() { State() = BoxState{}; }

}  // namespace detail

void QueueAnswer(int answer) { detail::State().answers.push_back(answer); }
void WhileNextBoxIsOpen(std::function<void()> action) { detail::State().whileOpen = std::move(action); }
int PendingAnswers() { return static_cast<int>(detail::State().answers.size()); }
std::vector<MessageBoxCall> MessageBoxes() { return detail::State().shown; }
std::vector<MessageBoxCall> UnexpectedMessageBoxes() { return detail::State().unexpected; }
void SetActiveWindow(plat::HWND hwnd) { detail::State().active = hwnd; }
void SetAppName(const std::string& name) { detail::State().appName = name; }

}  // namespace sim

namespace plat {

HWND GetActiveWindow() {
    sim::detail::KernelLock lock;
    return sim::detail::State().active;
}

int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) {
    sim::detail::KernelLock lock;
    // Windows titles a box without a caption "Error".
    return sim::detail::Show({hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType, false});
}

int AfxMessageBox(const char* lpszText, UINT nType) {
    sim::detail::KernelLock lock;
    return sim::detail::Show({GetActiveWindow(), lpszText ? lpszText : "", AfxGetAppName(), nType, true});
}

const char* AfxGetAppName() {
    sim::detail::KernelLock lock;
    return sim::detail::State().appName.c_str();
}

}  // namespace plat
