/* The test robot: a console program run inside the test's Wine prefix that
 * finds the program's windows, reads them and answers them. One subcommand
 * per run; results are JSON lines in UTF-8 on stdout. Exit code 0 = done,
 * 1 = bad use or failed call, 2 = a wait ran out.
 *
 * Texts are read with InternalGetWindowText: it never sends a message, so a
 * window whose thread is busy in a blocking download cannot stall the robot. */
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "robot_hook.h"

#define POLL_MS 100
#define MAX_EXCLUDE 16

/* ---- output ------------------------------------------------------------ */

static char g_line[65536];
static size_t g_len;

static void out_raw(const char *s)
{
    size_t n = strlen(s);
    if (g_len + n >= sizeof g_line)
        n = sizeof g_line - 1 - g_len;
    memcpy(g_line + g_len, s, n);
    g_len += n;
    g_line[g_len] = 0;
}

static void out_fmt(const char *fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    out_raw(buf);
}

static void out_wstr(const WCHAR *w)
{
    char utf8[16384];
    char esc[8];
    int i;
    if (!WideCharToMultiByte(CP_UTF8, 0, w, -1, utf8, sizeof utf8, NULL, NULL))
        utf8[0] = 0;
    out_raw("\"");
    for (i = 0; utf8[i]; i++) {
        unsigned char c = (unsigned char)utf8[i];
        if (c == '"' || c == '\\') {
            esc[0] = '\\'; esc[1] = (char)c; esc[2] = 0;
            out_raw(esc);
        } else if (c < 0x20) {
            snprintf(esc, sizeof esc, "\\u%04x", c);
            out_raw(esc);
        } else {
            esc[0] = (char)c; esc[1] = 0;
            out_raw(esc);
        }
    }
    out_raw("\"");
}

static void out_end(void)
{
    DWORD written;
    out_raw("\n");
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), g_line, (DWORD)g_len, &written, NULL);
    g_len = 0;
    g_line[0] = 0;
}

static int fail(const char *what)
{
    out_fmt("{\"error\":\"%s\",\"code\":%lu}", what, (unsigned long)GetLastError());
    out_end();
    return 1;
}

/* ---- window facts -------------------------------------------------------- */

static void text_of(HWND h, WCHAR *buf, int n)
{
    buf[0] = 0;
    InternalGetWindowText(h, buf, n);
}

static void class_of(HWND h, WCHAR *buf, int n)
{
    buf[0] = 0;
    GetClassNameW(h, buf, n);
}

static void out_rect(const char *name, const RECT *r)
{
    out_fmt(",\"%s\":[%ld,%ld,%ld,%ld]", name, (long)r->left, (long)r->top,
            (long)r->right, (long)r->bottom);
}

static void out_window(HWND h)
{
    WCHAR cls[256], cap[1024];
    DWORD pid = 0;
    RECT r;
    GetWindowThreadProcessId(h, &pid);
    class_of(h, cls, 256);
    text_of(h, cap, 1024);
    GetWindowRect(h, &r);
    out_fmt("{\"hwnd\":%lu,\"class\":", (unsigned long)(ULONG_PTR)h);
    out_wstr(cls);
    out_raw(",\"caption\":");
    out_wstr(cap);
    out_fmt(",\"pid\":%lu", (unsigned long)pid);
    out_rect("rect", &r);
    out_fmt(",\"visible\":%s,\"owner\":%lu", IsWindowVisible(h) ? "true" : "false",
            (unsigned long)(ULONG_PTR)GetWindow(h, GW_OWNER));
}

/* The Static child with id 0xFFFF that carries a message box's text. */
static HWND box_text_child(HWND box)
{
    HWND c;
    WCHAR cls[64];
    for (c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        class_of(c, cls, 64);
        if ((GetDlgCtrlID(c) & 0xFFFF) == 0xFFFF && !_wcsicmp(cls, L"Static"))
            return c;
    }
    return NULL;
}

static void out_box(HWND box)
{
    WCHAR text[4096], cls[64];
    HWND c;
    int first = 1;
    text_of(box_text_child(box), text, 4096);
    out_window(box);
    out_raw(",\"text\":");
    out_wstr(text);
    out_raw(",\"buttons\":[");
    for (c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        class_of(c, cls, 64);
        if (_wcsicmp(cls, L"Button") || !IsWindowVisible(c))
            continue;
        text_of(c, text, 256);
        out_fmt("%s{\"id\":%d,\"text\":", first ? "" : ",", GetDlgCtrlID(c));
        out_wstr(text);
        out_raw("}");
        first = 0;
    }
    out_raw("]}");
    out_end();
}

/* ---- arguments ----------------------------------------------------------- */

struct query {
    const WCHAR *caption;
    const WCHAR *cls;
    DWORD timeout_ms;
    HWND exclude[MAX_EXCLUDE];
    int n_exclude;
    int all;
    int want_box;
    HWND found;
};

static ULONG_PTR number(const WCHAR *s)
{
    return (ULONG_PTR)wcstoul(s, NULL, 0);
}

static HWND window_arg(const WCHAR *s)
{
    return (HWND)number(s);
}

static void parse_query(struct query *q, int argc, WCHAR **argv, int from)
{
    int i;
    memset(q, 0, sizeof *q);
    q->timeout_ms = 10000;
    for (i = from; i < argc; i++) {
        if (!wcscmp(argv[i], L"--all"))
            q->all = 1;
        else if (i + 1 < argc && !wcscmp(argv[i], L"--caption"))
            q->caption = argv[++i];
        else if (i + 1 < argc && !wcscmp(argv[i], L"--class"))
            q->cls = argv[++i];
        else if (i + 1 < argc && !wcscmp(argv[i], L"--timeout"))
            q->timeout_ms = (DWORD)(wcstod(argv[++i], NULL) * 1000.0);
        else if (i + 1 < argc && !wcscmp(argv[i], L"--exclude") && q->n_exclude < MAX_EXCLUDE)
            q->exclude[q->n_exclude++] = window_arg(argv[++i]);
    }
}

static int matches(struct query *q, HWND h)
{
    WCHAR buf[1024];
    int i;
    if (!IsWindowVisible(h))
        return 0;
    for (i = 0; i < q->n_exclude; i++)
        if (q->exclude[i] == h)
            return 0;
    if (q->caption) {
        text_of(h, buf, 1024);
        if (wcscmp(buf, q->caption))
            return 0;
    }
    if (q->cls || q->want_box) {
        class_of(h, buf, 1024);
        if (wcscmp(buf, q->want_box ? L"#32770" : q->cls))
            return 0;
    }
    return !q->want_box || box_text_child(h) != NULL;
}

static BOOL CALLBACK find_proc(HWND h, LPARAM lp)
{
    struct query *q = (struct query *)lp;
    if (!matches(q, h))
        return TRUE;
    q->found = h;
    return FALSE;
}

static HWND wait_for(struct query *q)
{
    DWORD start = GetTickCount();
    for (;;) {
        q->found = NULL;
        EnumWindows(find_proc, (LPARAM)q);
        if (q->found)
            return q->found;
        if (GetTickCount() - start >= q->timeout_ms)
            return NULL;
        Sleep(POLL_MS);
    }
}

/* ---- subcommands ---------------------------------------------------------- */

static BOOL CALLBACK list_proc(HWND h, LPARAM lp)
{
    struct query *q = (struct query *)lp;
    if (q->all || IsWindowVisible(h)) {
        out_window(h);
        out_raw("}");
        out_end();
    }
    return TRUE;
}

static int cmd_list(int argc, WCHAR **argv)
{
    struct query q;
    parse_query(&q, argc, argv, 2);
    EnumWindows(list_proc, (LPARAM)&q);
    return 0;
}

static int cmd_wait_window(int argc, WCHAR **argv, int want_box)
{
    struct query q;
    HWND h;
    parse_query(&q, argc, argv, 2);
    q.want_box = want_box;
    h = wait_for(&q);
    if (!h) {
        out_raw("{\"timeout\":true}");
        out_end();
        return 2;
    }
    if (want_box) {
        out_box(h);
    } else {
        out_window(h);
        out_raw("}");
        out_end();
    }
    return 0;
}

static int cmd_wait_gone(int argc, WCHAR **argv)
{
    struct query q;
    DWORD start = GetTickCount();
    HWND h = window_arg(argv[2]);
    parse_query(&q, argc, argv, 3);
    while (IsWindow(h)) {
        if (GetTickCount() - start >= q.timeout_ms) {
            out_raw("{\"timeout\":true}");
            out_end();
            return 2;
        }
        Sleep(POLL_MS);
    }
    out_raw("{\"gone\":true}");
    out_end();
    return 0;
}

static int cmd_press(WCHAR **argv)
{
    HWND h = window_arg(argv[2]);
    int id = (int)number(argv[3]);
    HWND button = GetDlgItem(h, id);
    if (!PostMessageW(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button))
        return fail("PostMessage");
    return 0;
}

static int cmd_post(WCHAR **argv)
{
    if (!PostMessageW(window_arg(argv[2]), (UINT)number(argv[3]), (WPARAM)number(argv[4]),
                      (LPARAM)wcstol(argv[5], NULL, 0)))
        return fail("PostMessage");
    return 0;
}

static int cmd_send(int argc, WCHAR **argv)
{
    struct query q;
    DWORD_PTR result = 0;
    parse_query(&q, argc, argv, 6);
    /* Wine's SendMessageTimeout also answers 0 when the message's own result
     * is 0; only a set error code tells a real failure (timeout, no window). */
    SetLastError(0);
    if (!SendMessageTimeoutW(window_arg(argv[2]), (UINT)number(argv[3]), (WPARAM)number(argv[4]),
                             (LPARAM)wcstol(argv[5], NULL, 0), SMTO_ABORTIFHUNG, q.timeout_ms,
                             &result) && GetLastError() != 0)
        return fail("SendMessageTimeout");
    out_fmt("{\"result\":%ld}", (long)result);
    out_end();
    return 0;
}

static int cmd_send_key(WCHAR **argv)
{
    HWND h = window_arg(argv[2]);
    UINT vk = (UINT)number(argv[3]);
    LPARAM scan = (LPARAM)MapVirtualKeyW(vk, 0) << 16;
    if (!PostMessageW(h, WM_KEYDOWN, vk, scan | 1))
        return fail("PostMessage");
    PostMessageW(h, WM_KEYUP, vk, scan | 1 | (1L << 30) | (1L << 31));
    return 0;
}

static void out_child(HWND c, HWND parent)
{
    WCHAR cls[256], text[1024];
    RECT r, in_parent, client;
    class_of(c, cls, 256);
    text_of(c, text, 1024);
    GetWindowRect(c, &r);
    in_parent = r;
    MapWindowPoints(NULL, parent, (POINT *)&in_parent, 2);
    GetClientRect(c, &client);
    out_fmt("{\"hwnd\":%lu,\"id\":%d,\"class\":", (unsigned long)(ULONG_PTR)c, GetDlgCtrlID(c));
    out_wstr(cls);
    out_raw(",\"text\":");
    out_wstr(text);
    out_rect("rect", &r);
    out_rect("rect_in_parent", &in_parent);
    out_fmt(",\"client\":[%ld,%ld],\"visible\":%s}", (long)client.right, (long)client.bottom,
            IsWindowVisible(c) ? "true" : "false");
    out_end();
}

static int cmd_children(WCHAR **argv)
{
    HWND h = window_arg(argv[2]);
    HWND c;
    if (!IsWindow(h))
        return fail("no such window");
    for (c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        out_child(c, h);
    return 0;
}

static int cmd_info(WCHAR **argv)
{
    HWND h = window_arg(argv[2]);
    RECT client;
    POINT origin = {0, 0};
    if (!IsWindow(h))
        return fail("no such window");
    GetClientRect(h, &client);
    ClientToScreen(h, &origin);
    out_window(h);
    out_fmt(",\"client\":[%ld,%ld],\"client_origin\":[%ld,%ld]", (long)client.right,
            (long)client.bottom, (long)origin.x, (long)origin.y);
    out_fmt(",\"style\":%lu,\"exstyle\":%lu,\"maximized\":%s,\"minimized\":%s}",
            (unsigned long)GetWindowLongW(h, GWL_STYLE), (unsigned long)GetWindowLongW(h, GWL_EXSTYLE),
            IsZoomed(h) ? "true" : "false", IsIconic(h) ? "true" : "false");
    out_end();
    return 0;
}

static int cmd_procs(void)
{
    PROCESSENTRY32W pe;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return fail("CreateToolhelp32Snapshot");
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
        out_fmt("{\"pid\":%lu,\"ppid\":%lu,\"exe\":", (unsigned long)pe.th32ProcessID,
                (unsigned long)pe.th32ParentProcessID);
        out_wstr(pe.szExeFile);
        out_raw("}");
        out_end();
    }
    CloseHandle(snap);
    return 0;
}

/* ---- work done inside the target's thread (robot_hook.dll) ---------------- */

static int in_target(HWND h, DWORD op, int argc, WCHAR **argv, int from, DWORD timeout_ms)
{
    HANDLE map, done;
    struct hook_shared *sh;
    HMODULE dll;
    HOOKPROC proc;
    HHOOK hook;
    DWORD tid, wait;
    int i;
    size_t used = 0;

    tid = GetWindowThreadProcessId(h, NULL);
    if (!tid)
        return fail("no such window");
    map = CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                             sizeof(struct hook_shared), HOOK_MAPPING_NAME);
    done = CreateEventW(NULL, FALSE, FALSE, HOOK_EVENT_NAME);
    if (!map || !done)
        return fail("CreateFileMapping");
    sh = (struct hook_shared *)MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!sh)
        return fail("MapViewOfFile");
    memset(sh, 0, sizeof *sh);
    sh->op = op;
    sh->hwnd = (DWORD)(ULONG_PTR)h;
    for (i = from; i < argc; i++) {
        size_t n = wcslen(argv[i]) + 1;
        if (used + n + 1 >= HOOK_ARGS_CHARS)
            break;
        memcpy(sh->args + used, argv[i], n * sizeof(WCHAR));
        used += n;
    }
    dll = LoadLibraryW(L"robot_hook.dll");
    proc = dll ? (HOOKPROC)(void *)GetProcAddress(dll, "robot_getmsg_hook@12") : NULL;
    if (!proc)
        proc = dll ? (HOOKPROC)(void *)GetProcAddress(dll, "robot_getmsg_hook") : NULL;
    if (!proc)
        return fail("robot_hook.dll");
    hook = SetWindowsHookExW(WH_GETMESSAGE, proc, dll, tid);
    if (!hook)
        return fail("SetWindowsHookEx");
    PostMessageW(h, WM_NULL, 0, HOOK_MAGIC);
    wait = WaitForSingleObject(done, timeout_ms);
    UnhookWindowsHookEx(hook);
    if (wait != WAIT_OBJECT_0) {
        out_raw("{\"timeout\":true}");
        out_end();
        return 2;
    }
    {
        DWORD written;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), sh->result, (DWORD)strlen(sh->result), &written,
                  NULL);
    }
    return sh->status;
}

/* ---- main ------------------------------------------------------------------ */

static int usage(void)
{
    out_raw("{\"usage\":\"robot list [--all] | wait-window [--caption C] [--class K] "
            "[--timeout S] | wait-box [--caption C] [--timeout S] [--exclude H] | "
            "wait-gone H [--timeout S] | press H ID | post H MSG W L | send H MSG W L "
            "[--timeout S] | send-key H VK | drop-files H PATH... | children H | info H | "
            "sysmenu H | procs\"}");
    out_end();
    return 1;
}

int main(void)
{
    int argc = 0;
    WCHAR **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const WCHAR *cmd;
    if (!argv || argc < 2)
        return usage();
    cmd = argv[1];
    if (!wcscmp(cmd, L"list"))
        return cmd_list(argc, argv);
    if (!wcscmp(cmd, L"procs"))
        return cmd_procs();
    if (!wcscmp(cmd, L"wait-window"))
        return cmd_wait_window(argc, argv, 0);
    if (!wcscmp(cmd, L"wait-box"))
        return cmd_wait_window(argc, argv, 1);
    if (argc < 3)
        return usage();
    if (!wcscmp(cmd, L"wait-gone"))
        return cmd_wait_gone(argc, argv);
    if (!wcscmp(cmd, L"children"))
        return cmd_children(argv);
    if (!wcscmp(cmd, L"info"))
        return cmd_info(argv);
    if (!wcscmp(cmd, L"sysmenu"))
        return in_target(window_arg(argv[2]), HOOK_OP_SYSMENU, argc, argv, 3, 10000);
    if (!wcscmp(cmd, L"drop-files"))
        return in_target(window_arg(argv[2]), HOOK_OP_DROP, argc, argv, 3, 10000);
    if (argc < 4)
        return usage();
    if (!wcscmp(cmd, L"press"))
        return cmd_press(argv);
    if (!wcscmp(cmd, L"send-key"))
        return cmd_send_key(argv);
    if (argc < 6)
        return usage();
    if (!wcscmp(cmd, L"post"))
        return cmd_post(argv);
    if (!wcscmp(cmd, L"send"))
        return cmd_send(argc, argv);
    return usage();
}
