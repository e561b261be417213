// Finding a program's windows and the image its process runs.
#include "base/Handles.h"
#include "platform/Kernel.h"
#include "platform/Processes.h"
#include "platform/Threads.h"
#include "tests/contract/ContractWorld.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace plat;

namespace contract {
namespace {

using Processes = WorldTest;

TEST_F(Processes, AProcessOpenedByItsIdNamesTheImageItRuns) {
    char module[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    KernelObject self(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, GetCurrentProcessId()));
    ASSERT_TRUE(self);
    char image[1024] = {};
    DWORD size = sizeof image;
    ASSERT_TRUE(QueryFullProcessImageNameA(self.Get(), image, &size));
    EXPECT_EQ(0, strcasecmp(module, image)) << image;
    EXPECT_EQ(std::strlen(image), size);
    size = 4;
    EXPECT_FALSE(QueryFullProcessImageNameA(self.Get(), image, &size));  // no cut path
}

BOOL Collect(HWND hwnd, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
    return TRUE;
}

TEST_F(Processes, TopLevelWindowsAreListedWithTheirProcessAndVisibility) {
    const HWND window = CreateFramedWindow(RECT{10, 10, 300, 200});
    const HWND child = CreateChildWindow(window, 1000, RECT{0, 0, 50, 50});
    ShowTestWindow(window, true);
    std::vector<HWND> found;
    EXPECT_TRUE(EnumWindows(Collect, reinterpret_cast<LPARAM>(&found)));
    EXPECT_EQ(1, std::count(found.begin(), found.end(), window));
    EXPECT_EQ(0, std::count(found.begin(), found.end(), child));
    DWORD process = 0;
    EXPECT_NE(0u, GetWindowThreadProcessId(window, &process));
    EXPECT_EQ(GetCurrentProcessId(), process);
    EXPECT_TRUE(IsWindowVisible(window));
    ShowTestWindow(window, false);
    EXPECT_FALSE(IsWindowVisible(window));
}

}  // namespace
}  // namespace contract
