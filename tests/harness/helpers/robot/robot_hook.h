/* What robot.exe and robot_hook.dll share: the robot fills the request, the
 * hook (running in the target window's own thread) does the work there and
 * leaves JSON lines in result before it signals the event. */
#pragma once
#include <windows.h>

#define HOOK_MAPPING_NAME L"TqRobotHookShared"
#define HOOK_EVENT_NAME L"TqRobotHookDone"
#define HOOK_MAGIC 0x7451526F /* lParam of the WM_NULL that wakes the hook */
#define HOOK_ARGS_CHARS 8192
#define HOOK_RESULT_BYTES 65536

enum { HOOK_OP_SYSMENU = 1, HOOK_OP_DROP = 2 };

struct hook_shared {
    DWORD op;
    DWORD hwnd;
    LONG status;
    WCHAR args[HOOK_ARGS_CHARS]; /* zero-terminated strings, an empty one ends them */
    char result[HOOK_RESULT_BYTES];
};
