// Proportional layout of a dialog's children: when the client area changes
// size, every child's edges are scaled by the ratio of the new client size
// to the size at the previous layout, horizontally and vertically apart.
#pragma once
#include "platform/WinTypes.h"

namespace layout {

// The scale factor of one axis. The quotient is formed in double and held
// as a float on purpose: in double, 100 -> 101 gives 1.01 rather than
// 1.00999999, and a child at x = 100 would land one pixel further right
// than the window has always put it (1000 -> 1001 rounds up instead:
// 1.00100005).
float Ratio(int newSize, int oldSize);

// One edge coordinate times its axis's factor, the product in double,
// truncated toward zero (saturated at the ends of the int range).
int ScaleEdge(plat::LONG coordinate, float ratio);

// The rectangle with each horizontal edge scaled by ratioX and each
// vertical edge by ratioY.
plat::RECT ScaleRect(const plat::RECT& rect, float ratioX, float ratioY);

}  // namespace layout

// Scales every child of dlg to the dialog's current client size and
// remembers that size in clientWidth/clientHeight. A remembered size of 0 on
// either axis gives no factor: the children stay and only the size is stored.
void ResizeChildren(plat::HWND dlg, int& clientWidth, int& clientHeight);

// WM_SIZE after its default processing: restored and maximised windows are
// laid out; minimising and the other kinds leave children and size alone.
// True when a layout ran.
bool LayoutAfterSize(plat::HWND dlg, plat::UINT sizeType, int& clientWidth, int& clientHeight);
