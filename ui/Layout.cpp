#include "ui/Layout.h"

#include "platform/User.h"

#include <climits>

namespace layout {

float Ratio(int newSize, int oldSize) {
    return static_cast<float>(static_cast<double>(newSize) / static_cast<double>(oldSize));
}

int ScaleEdge(plat::LONG coordinate, float ratio) {
    double product = static_cast<double>(coordinate) * static_cast<double>(ratio);
    // Converting an out-of-range double to int is undefined; a runaway factor
    // pins the edge at the end of the range instead.
    if (!(product > static_cast<double>(INT_MIN))) return product < 0 ? INT_MIN : 0;
    if (product >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(product);
}

plat::RECT ScaleRect(const plat::RECT& rect, float ratioX, float ratioY) {
    return plat::RECT{ScaleEdge(rect.left, ratioX), ScaleEdge(rect.top, ratioY),
                      ScaleEdge(rect.right, ratioX), ScaleEdge(rect.bottom, ratioY)};
}

}  // namespace layout

namespace {

plat::RECT ChildRectInClient(plat::HWND dlg, plat::HWND item) {
    plat::RECT rect{0, 0, 0, 0};
    plat::GetWindowRect(item, &rect);
    plat::POINT topLeft{rect.left, rect.top};
    plat::POINT bottomRight{rect.right, rect.bottom};
    plat::ScreenToClient(dlg, &topLeft);
    plat::ScreenToClient(dlg, &bottomRight);
    return plat::RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void ScaleChildren(plat::HWND dlg, float ratioX, float ratioY) {
    for (plat::HWND child = plat::GetWindow(dlg, plat::GW_CHILD); child != nullptr;
         child = plat::GetWindow(child, plat::GW_HWNDNEXT)) {
        // The dialog item of the child's id is what gets moved.
        plat::HWND item = plat::GetDlgItem(dlg, plat::GetDlgCtrlID(child));
        if (item == nullptr) continue;
        plat::RECT scaled = layout::ScaleRect(ChildRectInClient(dlg, item), ratioX, ratioY);
        plat::MoveWindow(item, scaled.left, scaled.top, scaled.right - scaled.left,
                         scaled.bottom - scaled.top, plat::TRUE);
    }
}

}  // namespace

void ResizeChildren(plat::HWND dlg, int& clientWidth, int& clientHeight) {
    plat::RECT client{0, 0, 0, 0};
    plat::GetClientRect(dlg, &client);
    int newWidth = client.right - client.left;
    int newHeight = client.bottom - client.top;
    // After an empty client area there is nothing to scale from.
    if (clientWidth != 0 && clientHeight != 0)
        ScaleChildren(dlg, layout::Ratio(newWidth, clientWidth), layout::Ratio(newHeight, clientHeight));
    clientWidth = newWidth;
    clientHeight = newHeight;
}

bool LayoutAfterSize(plat::HWND dlg, plat::UINT sizeType, int& clientWidth, int& clientHeight) {
    if (sizeType != plat::SIZE_RESTORED && sizeType != plat::SIZE_MAXIMIZED) return false;
    ResizeChildren(dlg, clientWidth, clientHeight);
    return true;
}
