// The maker's start page, which the main window sends the browser to once
// per start, telling the page which version of the program is asking.
#pragma once
#include "base/CString.h"

// "<scheme>://<host>/tarnquill/?software=" followed by the version, unescaped.
CString StartPageAddress(const char* version);

// What the start-page step finds out about the running executable. The path
// and the version outlive the navigation: the self-installation compares
// the same version with the installed copy's.
struct StartPageInfo {
    CString modulePath;
    CString version;  // empty when the executable carries no version data
    CString address;
};

StartPageInfo MakeStartPage();
