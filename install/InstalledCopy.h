// The two folders a copy of the program may be installed in, as a start
// finds them for this user: the machine's (common application data) and
// the user's own (local application data).
#pragma once
#include "base/CString.h"
#include "base/ObjectTrust.h"
#include "install/InstallDecision.h"
#include "platform/WinTypes.h"

// Empty when the shell does not name the folder: a path made from it then
// would land in the root of the current drive.
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
    // For the log: why it is not usable, and whether its executable failed.
    const char* why = "unknown";
    bool executableFailed = false;
};

// Both folders judged for this user as a start of the running file finds
// them (their facts filled, what passes held), and what that start does.
// A folder or executable that is not the program's own for this user
// (another user's, a link, something of another's in it) is never started,
// written or linked to. The own folder is made only for a download that
// has nowhere else to go. The support log gets the decision and why.
StartPlan PlanThisStart(const CString& running, const CString& ownVersion, InstalledCopy& machine,
                        InstalledCopy& own);
