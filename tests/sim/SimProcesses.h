// The test-facing side of other programs on the simulated machine: a
// process running an image, with one visible top-level window, that ends
// when that window is asked to close (or never does). Reset with the kernel.
#pragma once
#include "platform/WinTypes.h"

#include <string>

namespace sim {

struct OtherProgram {
    plat::DWORD processId = 0;
    plat::HWND window = nullptr;
};
// The image file is marked running (SetRunningImage) while the program runs.
OtherProgram RunOtherProgram(const std::string& imagePath, bool closesWhenAsked = true);
bool OtherProgramRuns(plat::DWORD processId);
// WM_CLOSE messages the program's window received.
int CloseRequests(plat::DWORD processId);

}  // namespace sim
