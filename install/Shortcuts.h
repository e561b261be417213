// The shortcut offer and the two shortcut writers.
#pragma once
#include "platform/WinTypes.h"

// Asks once (until the marker exists; with ask false, the answer is Yes
// without a question) and writes the marker and the links,
// each to the installed program whatever the running file is called (a
// browser saves a second download as "tarnquill (1).exe"): the user's three
// (desktop, start menu, programs) and, for the machine's copy (allUsers),
// the two of all users.
void OfferShortcuts(plat::HWND hWnd, const char* installFolder, bool allUsers, bool ask = true);
// The question alone: true when the marker is missing and the answer is Yes.
bool AskForShortcuts(const char* installFolder);
// Whose links an installation writes.
enum class LinkSet {
    User,             // the user's own copy: the user's three
    UserAndAllUsers,  // the machine's copy installed by a user: the user's three and all users' two
    AllUsers,         // installed for every user by an administrator: all users' three (the
                      // common desktop too), none of the installing account's
};
// The marker and the links, without asking, marker or not.
void WriteShortcuts(plat::HWND hWnd, const char* installFolder, LinkSet links);
// The user's own links at the program's names that lead into
// machineFolder, written again to lead to ownTarget.
void LeadLinksToOwnCopy(const char* ownTarget, const char* machineFolder);
plat::BOOL CreateShortcut(const char* lpszTarget, const char* lpszLink, const char* lpszArgs);
// The desktop link to the install target less ".exe".
void CreateDesktopShortcut(const char* installTarget);
// The same, for the install target in the common application data folder.
void CreateDesktopShortcut();
