/* Harness probe: fetches a URL the way the program does (WinINet, agent
 * "AutoUpdateAgent", the configured proxy) and shows the body's first line
 * in a message box, so a test can check server, robot and code page at once.
 * Usage: probe URL [CAPTION]. Exit code: 0 after OK, 3 when nothing came. */
#include <windows.h>
#include <wininet.h>
#include <string.h>

static int fetch_first_line(const char *url, char *line, DWORD size)
{
    DWORD got = 0, total = 0;
    HINTERNET session = InternetOpenA("AutoUpdateAgent", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    HINTERNET file = session ? InternetOpenUrlA(session, url, NULL, 0,
                                                INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)
                             : NULL;
    while (file && total + 1 < size && InternetReadFile(file, line + total, size - 1 - total, &got) && got)
        total += got;
    line[total] = 0;
    line[strcspn(line, "\r\n")] = 0;
    if (file)
        InternetCloseHandle(file);
    if (session)
        InternetCloseHandle(session);
    return total > 0;
}

int main(int argc, char **argv)
{
    char line[1024];
    int ok;
    if (argc < 2)
        return 2;
    ok = fetch_first_line(argv[1], line, sizeof line);
    MessageBoxA(NULL, ok ? line : "(nothing)", argc > 2 ? argv[2] : "probe", MB_OK);
    return ok ? 0 : 3;
}
