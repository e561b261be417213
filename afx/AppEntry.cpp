#include "afx/WinApp.h"

#include "afx/OleInit.h"

LPSTR AfxCommandLineTail(LPSTR lpCmdLine) {
    if (!lpCmdLine) return lpCmdLine;
    char* p = lpCmdLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->SetCurrentHandles(hInstance, lpCmdLine, nCmdShow);
    const int code = app->InitInstance() ? app->Run() : app->ExitInstance();
    afx::ReleaseOle();
    return code;
}
