/* Loaded by Wine into the program under test when the robot hooks one of its
 * threads: menus and global memory belong to their process, so reading the
 * system menu and handing over an HDROP have to happen in there. */
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include "robot_hook.h"

static void append(struct hook_shared *sh, const char *s)
{
    size_t used = strlen(sh->result);
    size_t n = strlen(s);
    if (used + n >= HOOK_RESULT_BYTES)
        return;
    memcpy(sh->result + used, s, n + 1);
}

static void append_wstr(struct hook_shared *sh, const WCHAR *w)
{
    char utf8[2048], esc[8];
    int i;
    if (!WideCharToMultiByte(CP_UTF8, 0, w, -1, utf8, sizeof utf8, NULL, NULL))
        utf8[0] = 0;
    append(sh, "\"");
    for (i = 0; utf8[i]; i++) {
        unsigned char c = (unsigned char)utf8[i];
        if (c == '"' || c == '\\')
            snprintf(esc, sizeof esc, "\\%c", c);
        else if (c < 0x20)
            snprintf(esc, sizeof esc, "\\u%04x", c);
        else
            snprintf(esc, sizeof esc, "%c", c);
        append(sh, esc);
    }
    append(sh, "\"");
}

static void read_sysmenu(struct hook_shared *sh, HWND hwnd)
{
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    int i, n;
    char buf[128];
    if (!menu) {
        append(sh, "{\"error\":\"no system menu\"}\n");
        sh->status = 1;
        return;
    }
    n = GetMenuItemCount(menu);
    for (i = 0; i < n; i++) {
        WCHAR text[512];
        MENUITEMINFOW mi;
        memset(&mi, 0, sizeof mi);
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
        mi.dwTypeData = text;
        mi.cch = 512;
        text[0] = 0;
        if (!GetMenuItemInfoW(menu, (UINT)i, TRUE, &mi))
            continue;
        if (mi.fType & MFT_SEPARATOR)
            text[0] = 0;
        snprintf(buf, sizeof buf, "{\"index\":%d,\"id\":%u,\"separator\":%s,\"text\":", i,
                 mi.wID, (mi.fType & MFT_SEPARATOR) ? "true" : "false");
        append(sh, buf);
        append_wstr(sh, text);
        snprintf(buf, sizeof buf, ",\"grayed\":%s}\n", (mi.fState & MFS_GRAYED) ? "true" : "false");
        append(sh, buf);
    }
}

/* What the shell does on a drop: an HDROP with wide paths, posted only to a
 * window that accepts files. */
static void drop_files(struct hook_shared *sh, HWND hwnd)
{
    size_t chars = 0;
    const WCHAR *p;
    HGLOBAL mem;
    DROPFILES *df;
    BOOL accepts = (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    BOOL posted = FALSE;
    char buf[96];
    for (p = sh->args; *p; p += wcslen(p) + 1)
        chars += wcslen(p) + 1;
    if (accepts) {
        mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + (chars + 1) * sizeof(WCHAR));
        df = mem ? (DROPFILES *)GlobalLock(mem) : NULL;
        if (df) {
            df->pFiles = sizeof(DROPFILES);
            df->fWide = TRUE;
            memcpy(df + 1, sh->args, chars * sizeof(WCHAR));
            GlobalUnlock(mem);
            posted = PostMessageW(hwnd, WM_DROPFILES, (WPARAM)mem, 0);
            if (!posted)
                GlobalFree(mem);
        }
    }
    snprintf(buf, sizeof buf, "{\"accepts_files\":%s,\"posted\":%s}\n", accepts ? "true" : "false",
             posted ? "true" : "false");
    append(sh, buf);
}

static void serve(void)
{
    HANDLE map = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, HOOK_MAPPING_NAME);
    HANDLE done = OpenEventW(EVENT_MODIFY_STATE, FALSE, HOOK_EVENT_NAME);
    struct hook_shared *sh = map ? (struct hook_shared *)MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 0) : NULL;
    if (sh && sh->op) {
        HWND hwnd = (HWND)(ULONG_PTR)sh->hwnd;
        sh->result[0] = 0;
        sh->status = 0;
        if (sh->op == HOOK_OP_SYSMENU)
            read_sysmenu(sh, hwnd);
        else if (sh->op == HOOK_OP_DROP)
            drop_files(sh, hwnd);
        sh->op = 0; /* served once, even if the hook sees the message again */
        if (done)
            SetEvent(done);
    }
    if (sh)
        UnmapViewOfFile(sh);
    if (done)
        CloseHandle(done);
    if (map)
        CloseHandle(map);
}

__attribute__((dllexport)) LRESULT CALLBACK robot_getmsg_hook(int code, WPARAM wp, LPARAM lp)
{
    const MSG *msg = (const MSG *)lp;
    if (code == HC_ACTION && wp == PM_REMOVE && msg->message == WM_NULL && msg->lParam == HOOK_MAGIC)
        serve();
    return CallNextHookEx(NULL, code, wp, lp);
}
