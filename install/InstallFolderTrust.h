// Whether the install folder and what is in it are the program's own. The
// folder lies in the common application data folder, where every local user
// may make files and folders and owns what they make: another user could
// make the folder first, or put a program in it under the installed name.
#pragma once

// True when the folder may be used (its copy's version read, started,
// installed into, linked to, the marker written there): made now with the
// program's protected rights, or owned by SYSTEM, Administrators or this
// user with nobody else able to change it. A folder an older version made
// (this user's, open to Users by inheritance) is given the protected rights
// first. Anything else is left as it is.
bool UsableInstallFolder(const char* installFolder);

// True when no file is at the path, or it passes the same rule.
bool UsableInstalledFile(const char* path);
