// Whether the install folder and what is in it are the program's own. The
// folder lies in the common application data folder, where every local user
// may make files and folders, owns what they make, and may make a name a
// link: another user could make the folder first, make it a link to a
// folder of the user's own, or put something into it under the program's
// names.
#pragma once
#include "base/CString.h"
#include "base/ObjectTrust.h"

// Trust::Ok when the folder may be used (its copy's version read, started,
// installed into, linked to, the marker written there), with the folder
// held in `held` for as long as it is used: made now with the program's
// protected rights, or owned by SYSTEM, Administrators or this user, no
// link, and nobody else able to change it. A folder an older version made
// (open to Users by inheritance) is repaired first: what another account
// put there goes, then it is given the protected rights. In a folder that
// passes, whatever is not the program's own goes (a link, a file with
// several names, anything another account owns or may change, a folder at
// one of the program's names); when something cannot, the folder is not
// used. Anything else is left as it is, and the rule it failed returned.
Trust PrepareInstallFolder(const CString& installFolder, HeldObject& held);

// The same for an installation an administrator (or SYSTEM) makes for
// every user: the folder made, or taken over, and given the machine's rights
// (owner Administrators, no person's account). A link or a file at its
// name is removed itself (never what it leads to) and the folder made anew;
// then whatever is not the program's own goes, as above.
Trust PrepareMachineFolder(const CString& installFolder, HeldObject& held);

// The folder's name without its final backslash: the object itself, never
// a path through it.
CString FolderName(const CString& folder);
