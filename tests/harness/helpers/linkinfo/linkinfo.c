/* linkinfo: reads a shell link file back through the shell's own link object
   and prints what a user's shell would follow.

   usage: linkinfo.exe <link file>
          linkinfo.exe --folder <csidl>
   output (code page of the process, one per line):
     target=<path as stored>
     args=<argument string>
   or, for --folder, the special folder's path as the shell gives it.
   exit code: 0 read, 1 usage, 2 COM or link object unavailable (or no such
   folder), 3 load failed. */
#define COBJMACROS
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Report(IShellLinkA* link) {
    char target[MAX_PATH * 4] = {0};
    char args[1024 * 4] = {0};
    /* Raw: the path as stored, without expanding or resolving it. */
    if (FAILED(IShellLinkA_GetPath(link, target, sizeof target, NULL, SLGP_RAWPATH))) target[0] = 0;
    if (FAILED(IShellLinkA_GetArguments(link, args, sizeof args))) args[0] = 0;
    printf("target=%s\nargs=%s\n", target, args);
    fflush(stdout);
    return 0;
}

static int Load(const char* path) {
    WCHAR wide[MAX_PATH * 2] = {0};
    IShellLinkA* link = NULL;
    IPersistFile* file = NULL;
    int rc = 2;
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2)) return 1;
    if (FAILED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkA,
                                (void**)&link)))
        return 2;
    if (SUCCEEDED(IShellLinkA_QueryInterface(link, &IID_IPersistFile, (void**)&file))) {
        rc = FAILED(IPersistFile_Load(file, wide, STGM_READ)) ? 3 : Report(link);
        IPersistFile_Release(file);
    }
    IShellLinkA_Release(link);
    return rc;
}

static int PrintFolder(const char* csidl) {
    char path[MAX_PATH] = {0};
    if (!SHGetSpecialFolderPathA(NULL, path, atoi(csidl), FALSE)) return 2;
    printf("%s\n", path);
    fflush(stdout);
    return 0;
}

int main(int argc, char** argv) {
    int rc;
    if (argc == 3 && strcmp(argv[1], "--folder") == 0) return PrintFolder(argv[2]);
    if (argc != 2) {
        fprintf(stderr, "usage: linkinfo <link file> | --folder <csidl>\n");
        return 1;
    }
    if (FAILED(CoInitialize(NULL))) return 2;
    rc = Load(argv[1]);
    CoUninitialize();
    if (rc == 3) fprintf(stderr, "cannot load %s\n", argv[1]);
    return rc;
}
