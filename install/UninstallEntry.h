// The program's entry in the list of installed programs (Settings -> Apps,
// "Apps & features"): under the current user for a user's installation,
// under the machine (every user sees it) for one made by an administrator
// for everyone. Its name, version, publisher, icon, folder, size and the two
// commands that remove it. A failure to write it changes nothing else the
// program does.
#pragma once
#include "base/CString.h"
#include "platform/WinTypes.h"

// Writes every value for the executable installed in installFolder;
// version is its four-number version; imageBytes 0: the executable's
// size is read. False when any value is missing.
bool WriteUninstallEntry(const CString& installFolder, const CString& version, plat::DWORD imageBytes,
                         bool machine = false);
// Run by the installed copy: writes the entry when there is none, or it
// names another version (an installation made before the entry existed, or
// an update since) or another folder (the machine's, for a user who now
// uses a copy of their own), reading the executable's size then.
void KeepUninstallEntry(const CString& installFolder, const CString& version);
// True when no entry is left.
bool RemoveUninstallEntry(bool machine = false);
// "HKEY_CURRENT_USER\<key>" (or HKEY_LOCAL_MACHINE): the entry as the
// removal names it to the user.
CString UninstallEntryName(bool machine = false);
// Whether the machine's entry exists: an administrator installed the
// program for every user, and only an administrator removes it.
bool MachineEntryExists();
// The user's own entry, when it names installFolder: the machine's entry
// now lists that installation, once.
void RemoveUserEntryFor(const CString& installFolder);
