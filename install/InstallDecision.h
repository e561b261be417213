// Whether the running program should install itself over the installed copy.
#pragma once
#include "base/CString.h"

// True when there is no usable installed copy (its version is empty) or the
// running program's version is the higher one.
bool ShouldInstall(const CString& ownVersion, const CString& installedVersion);

// Where a copy of the program lies: in the machine's folder (common
// application data), in the user's own (local application data), or
// neither (a download, or no copy at all).
enum class Copy { None, Machine, Own };

// One install folder as a start finds it for this user.
struct CopyFacts {
    bool usable = false;  // the folder, and the executable when there is one, pass the trust rule
    CString version;      // that executable's, four numbers; empty: no copy there
};

// The copy this user's starts use: the machine's when it passes the rule
// and is not older than the user's own; otherwise the own one, when its
// folder passes; None when neither may be used.
Copy PreferredCopy(const CopyFacts& machine, const CopyFacts& own);

// What a start does, and with which copy.
enum class StartAction {
    RunHere,  // nothing to install into or start: this copy runs where it is, silently
    Install,  // this image into the copy's folder, then start it
    Offer,    // run here and offer the shortcuts to the copy (a download no newer than it)
    Stay,     // this is the copy to use: keep its entry, offer its shortcuts
    Switch,   // start the copy to use and close
};
struct StartPlan {
    StartAction action;
    Copy copy;
};
// running: the folder the running file lies in. A copy running from either
// folder never installs its image anywhere: in a folder that fails the rule
// it may be someone else's.
StartPlan PlanStart(Copy running, const CString& ownVersion, const CopyFacts& machine, const CopyFacts& own);
