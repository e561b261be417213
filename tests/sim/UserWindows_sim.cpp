// The simulated window manager: a tree of windows with rectangles, control
// ids, z-order, synchronous message handlers and timers.
#include "platform/User.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimInternal.h"
#include "tests/sim/SimKernel.h"

#include <algorithm>
#include <deque>
#include <map>

namespace sim {
namespace detail {
namespace {

struct Window {
    plat::HWND parent = nullptr;
    std::vector<plat::HWND> children;  // top of the z-order first
    int id = 0;
    plat::RECT rect{};  // in the parent's client coordinates (screen for top level)
    Borders borders{};
    MessageHandler handler;
    std::set<std::uintptr_t> timers;
    bool visible = false;
    plat::DWORD process = 0;  // another program's window; 0: this process's
};

struct WindowState {
    std::map<plat::HWND, Window> windows;
    std::uintptr_t next = 0x10010;
    std::vector<SentMessage> sent;
    std::vector<MoveCall> moves;
    std::vector<TimerCall> timerCalls;
    std::deque<SentMessage> posted;
};

WindowState& State() {
    static WindowState state;
    return state;
}

Window* Find(plat::HWND h, const char* fn) {
    auto it = State().windows.find(h);
    if (it == State().windows.end()) {
        if (fn) RecordBadHandle(fn);
        return nullptr;
    }
    return &it->second;
}

plat::POINT ClientOrigin(plat::HWND h) {
    plat::POINT o{0, 0};
    for (Window* w = Find(h, nullptr); w; w = Find(w->parent, nullptr)) {
        o.x += w->rect.left + w->borders.left;
        o.y += w->rect.top + w->borders.top;
    }
    return o;
}

plat::RECT ScreenRect(plat::HWND h) {
    Window* w = Find(h, nullptr);
    if (!w) return {};
    plat::POINT o = w->parent ? ClientOrigin(w->parent) : plat::POINT{0, 0};
    return {w->rect.left + o.x, w->rect.top + o.y, w->rect.right + o.x, w->rect.bottom + o.y};
}

plat::RECT Client(const Window& w) {
    const plat::LONG width = w.rect.right - w.rect.left - w.borders.left - w.borders.right;
    const plat::LONG height = w.rect.bottom - w.rect.top - w.borders.top - w.borders.bottom;
    return {0, 0, std::max<plat::LONG>(width, 0), std::max<plat::LONG>(height, 0)};
}

plat::LRESULT Deliver(plat::HWND h, plat::UINT msg, plat::WPARAM wp, plat::LPARAM lp) {
    State().sent.push_back({h, msg, wp, lp});
    Window* w = Find(h, nullptr);
    if (!w || !w->handler) return 0;
    // A copy: the handler may destroy its own window.
    MessageHandler handler = w->handler;
    return handler(msg, wp, lp);
}

}  // namespace

void ResetWindows() { State() = WindowState{}; }

std::vector<plat::HWND> TopLevelWindows() {
    std::vector<plat::HWND> top;
    for (const auto& [h, w] : State().windows)
        if (!w.parent) top.push_back(h);
    return top;
}

bool WindowOf(plat::HWND hwnd, plat::DWORD* process, bool* visible) {
    const Window* w = Find(hwnd, nullptr);
    if (!w) return false;
    *process = w->process;
    *visible = w->visible;
    return true;
}

void SetWindowProcess(plat::HWND hwnd, plat::DWORD process) {
    if (Window* w = Find(hwnd, nullptr)) w->process = process;
}

void DestroyWindowsOf(plat::DWORD process) {
    for (plat::HWND h : TopLevelWindows()) {
        const Window* w = Find(h, nullptr);
        if (w && w->process == process) sim::DestroyWindow(h);
    }
}

}  // namespace detail

using detail::Find;
using detail::State;

plat::HWND CreateWindow(plat::HWND parent, int controlId, plat::RECT rect, Borders borders) {
    auto& st = State();
    if (parent && !Find(parent, "CreateWindow")) return nullptr;
    const auto h = reinterpret_cast<plat::HWND>(st.next);
    st.next += 4;
    detail::Window w;
    w.parent = parent;
    w.id = controlId;
    w.rect = rect;
    w.borders = borders;
    st.windows[h] = std::move(w);
    if (parent) Find(parent, nullptr)->children.push_back(h);
    return h;
}

void DestroyWindow(plat::HWND hwnd) {
    detail::Window* w = Find(hwnd, nullptr);
    if (!w) return;
    const auto children = w->children;
    for (plat::HWND child : children) DestroyWindow(child);
    if (detail::Window* parent = Find(w->parent, nullptr)) {
        auto& sib = parent->children;
        sib.erase(std::remove(sib.begin(), sib.end(), hwnd), sib.end());
    }
    State().windows.erase(hwnd);
}

bool IsWindow(plat::HWND hwnd) { return Find(hwnd, nullptr) != nullptr; }
plat::RECT WindowRect(plat::HWND hwnd) { return detail::ScreenRect(hwnd); }

plat::RECT ClientRect(plat::HWND hwnd) {
    detail::Window* w = Find(hwnd, nullptr);
    return w ? detail::Client(*w) : plat::RECT{};
}

void SetBorders(plat::HWND hwnd, Borders borders) {
    if (detail::Window* w = Find(hwnd, nullptr)) w->borders = borders;
}

void SetMessageHandler(plat::HWND hwnd, MessageHandler handler) {
    if (detail::Window* w = Find(hwnd, nullptr)) w->handler = std::move(handler);
}

std::vector<SentMessage> SentMessages() { return State().sent; }
std::vector<MoveCall> MoveCalls() { return State().moves; }
std::vector<TimerCall> TimerCalls() { return State().timerCalls; }

std::set<std::uintptr_t> LiveTimers(plat::HWND hwnd) {
    detail::Window* w = Find(hwnd, nullptr);
    return w ? w->timers : std::set<std::uintptr_t>{};
}

bool FireTimer(plat::HWND hwnd, std::uintptr_t id) {
    if (!LiveTimers(hwnd).count(id)) return false;
    detail::Deliver(hwnd, plat::WM_TIMER, id, 0);
    return true;
}

void ShowWindow(plat::HWND hwnd, bool visible) {
    if (detail::Window* w = Find(hwnd, nullptr)) w->visible = visible;
}

int DeliverPosted() {
    int delivered = 0;
    while (!State().posted.empty()) {
        SentMessage m = State().posted.front();
        State().posted.pop_front();
        // A window destroyed meanwhile gets nothing, as on Windows.
        if (!Find(m.hwnd, nullptr)) continue;
        detail::Deliver(m.hwnd, m.msg, m.wParam, m.lParam);
        ++delivered;
    }
    return delivered;
}

}  // namespace sim

namespace plat {

using sim::detail::Find;
using sim::detail::State;

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    sim::detail::KernelLock lock;
    const sim::detail::Window* w = Find(hWnd, nullptr);
    if (!w) return FALSE;
    // Another program's thread reads its own queue, whatever this one does.
    if (w->process) {
        sim::detail::OtherProgramGets(w->process, Msg);
        return TRUE;
    }
    State().posted.push_back({hWnd, Msg, wParam, lParam});
    return TRUE;
}

HWND FindOtherVisibleThreadWindow(HWND hWnd) {
    sim::detail::KernelLock lock;
    for (const auto& [h, w] : State().windows)
        if (h != hWnd && !w.parent && w.visible) return h;
    return nullptr;
}

// Without the kernel lock, as MoveWindow: both run the window's handler on
// the calling thread, which only the window's own thread does.
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!Find(hWnd, "SendMessageA")) return 0;
    return sim::detail::Deliver(hWnd, Msg, wParam, lParam);
}

std::uintptr_t SetTimer(HWND hWnd, std::uintptr_t nIDEvent, UINT uElapse) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::SetTimer)) return 0;
    auto* w = Find(hWnd, "SetTimer");
    if (!w || nIDEvent == 0) return 0;
    w->timers.insert(nIDEvent);
    State().timerCalls.push_back({hWnd, nIDEvent, uElapse, true});
    return nIDEvent;
}

BOOL KillTimer(HWND hWnd, std::uintptr_t uIDEvent) {
    sim::detail::KernelLock lock;
    if (sim::TakeFault(sim::Op::KillTimer)) return FALSE;
    auto* w = Find(hWnd, "KillTimer");
    if (!w) return FALSE;
    State().timerCalls.push_back({hWnd, uIDEvent, 0, false});
    return w->timers.erase(uIDEvent) ? TRUE : FALSE;
}

BOOL GetClientRect(HWND hWnd, RECT* lpRect) {
    sim::detail::KernelLock lock;
    auto* w = Find(hWnd, "GetClientRect");
    if (!w || !lpRect) return FALSE;
    *lpRect = sim::detail::Client(*w);
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, RECT* lpRect) {
    sim::detail::KernelLock lock;
    if (!Find(hWnd, "GetWindowRect") || !lpRect) return FALSE;
    *lpRect = sim::detail::ScreenRect(hWnd);
    return TRUE;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
    sim::detail::KernelLock lock;
    auto* w = Find(hWnd, "GetWindow");
    if (!w) return nullptr;
    if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (uCmd != GW_HWNDNEXT) return nullptr;
    auto* parent = Find(w->parent, nullptr);
    if (!parent) return nullptr;
    auto& sib = parent->children;
    auto it = std::find(sib.begin(), sib.end(), hWnd);
    return (it == sib.end() || ++it == sib.end()) ? nullptr : *it;
}

int GetDlgCtrlID(HWND hWnd) {
    sim::detail::KernelLock lock;
    auto* w = Find(hWnd, "GetDlgCtrlID");
    return w ? w->id : 0;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    sim::detail::KernelLock lock;
    auto* w = Find(hDlg, "GetDlgItem");
    if (!w) return nullptr;
    for (HWND child : w->children)
        if (Find(child, nullptr)->id == nIDDlgItem) return child;
    return nullptr;
}

BOOL ScreenToClient(HWND hWnd, POINT* lpPoint) {
    sim::detail::KernelLock lock;
    if (!Find(hWnd, "ScreenToClient") || !lpPoint) return FALSE;
    const POINT o = sim::detail::ClientOrigin(hWnd);
    lpPoint->x -= o.x;
    lpPoint->y -= o.y;
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    auto* w = Find(hWnd, "MoveWindow");
    if (!w) return FALSE;
    State().moves.push_back({hWnd, X, Y, nWidth, nHeight, bRepaint});
    const RECT before = sim::detail::Client(*w);
    w->rect = {X, Y, X + nWidth, Y + nHeight};
    const RECT after = sim::detail::Client(*w);
    if (after.right != before.right || after.bottom != before.bottom) {
        const auto size = static_cast<LPARAM>((after.right & 0xFFFF) | ((after.bottom & 0xFFFF) << 16));
        sim::detail::Deliver(hWnd, WM_SIZE, SIZE_RESTORED, size);
    }
    return TRUE;
}

}  // namespace plat
