// The two folders a copy of the program may be installed in, as a start
// finds them for this user: the machine's (common application data) and
// the user's own (local application data).
#pragma once
#include "base/CString.h"
#include "base/ObjectTrust.h"
#include "install/InstallDecision.h"
#include "platform/WinTypes.h"

// Empty when the shell does not name the folder.
CString SpecialFolder(plat::HWND hWnd, int csidl);

// The short form of the running program's version ("5.0") as the entry
// shows every version: four numbers, as read from the installed file.
CString FourNumberVersion(const CString& version);

// One install folder, held (folder and executable) while its paths are used.
struct InstalledCopy {
    explicit InstalledCopy(const CString& installFolder);
    CString folder;
    CString target;
    HeldObject heldFolder;
    HeldObject heldTarget;
    CopyFacts facts;
};

// Judges the folder and its executable for this user and fills facts.
// create: a missing folder is made (with the program's protected rights);
// otherwise a missing folder holds no copy. runsFromIt: the running file is
// its executable, whose version is the running program's.
void Look(InstalledCopy& copy, bool create, bool runsFromIt, const CString& ownVersion);

// The folder the running file lies in.
Copy FolderOf(const CString& path, const InstalledCopy& machine, const InstalledCopy& own);
