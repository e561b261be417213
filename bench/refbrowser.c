/* The smallest program that does what the client does at start: one plain
 * window whose client area is the WebBrowser control, hosted through the
 * system's atl.dll, sent once to the start page. It is the yardstick for the
 * client's size and start-up time, so it does nothing more. */
#include <windows.h>
#include <ole2.h>

#define START_PAGE "http://www.veltrano.example/tarnquill/?software=5.0"

typedef BOOL(WINAPI *AxWinInitFn)(void);

static HWND g_host;

static LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        /* A host window whose text is a URL creates the browser and navigates. */
        g_host = CreateWindowExA(0, "AtlAxWin", START_PAGE, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                 hwnd, (HMENU)1, GetModuleHandleA(NULL), NULL);
        return g_host ? 0 : -1;
    case WM_SIZE:
        MoveWindow(g_host, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
    (void)prev;
    (void)cmd;
    if (FAILED(OleInitialize(NULL))) return 1;
    HMODULE atl = LoadLibraryA("atl.dll");
    AxWinInitFn axWinInit =
        atl ? (AxWinInitFn)(void (*)(void))GetProcAddress(atl, "AtlAxWinInit") : NULL;
    if (!axWinInit || !axWinInit()) return 2;

    WNDCLASSA wc = {0};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = "TqReferenceBrowser";
    if (!RegisterClassA(&wc)) return 3;
    HWND main = CreateWindowExA(0, wc.lpszClassName, "Reference", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 806, 684, NULL, NULL, inst, NULL);
    if (!main) return 4;
    ShowWindow(main, show);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    OleUninitialize();
    return 0;
}
