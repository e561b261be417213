// Every path the program writes, in one place. The folders come from the
// shell (looked up by the caller and passed in), so these are plain string
// functions. Every name is kept byte for byte: installed copies and the
// files already on users' machines carry them.
#pragma once
#include "base/Array.h"
#include "base/CString.h"
#include "platform/WinTypes.h"

// --- Installation ---------------------------------------------------------
// "<common application data>\Veltrano\": one installed copy per machine,
// shared by every user. Empty when the folder is unknown (empty): "\Veltrano\"
// alone would put the program in the current drive's root.
CString InstallFolderIn(const char* commonAppData);
// "<local application data>\Veltrano\": the user's own copy, for a user
// to whom the machine's folder is not theirs to trust (another user's, a
// link, or holding what cannot be removed). Under the user's profile, where
// no other standard user may add anything; it holds the same names as the
// machine's folder. Empty when the folder is unknown.
CString OwnCopyFolderIn(const char* localAppData);
// "<install folder>tarnquill.exe". The update directory serves the new
// executable under the running file's name, so this is the name it holds.
CString InstallTargetIn(const CString& installFolder);
constexpr char kInstalledFileName[] = "tarnquill.exe";
// "<install target>.<pid>.new": the image is written here and then moved
// over the target whole, so a write that fails half-way leaves the installed
// copy as it was. Beside the target, so the move is a rename on one volume
// and the file takes the folder's rights; a name of this process's own, made
// new, so a file someone else left there is never written and swapped in.
CString StagedInstallTarget(const CString& installTarget, plat::DWORD processId);

// --- Shortcuts --------------------------------------------------------------
// Every link and folder name below begins with a space after the backslash.
// The space is kept because links already on users' machines carry these
// names: another name would put a second link beside each of them instead of
// writing the same one again.

// "<install folder> Veltrano4.lnk": only its existence counts; it keeps the
// shortcut question from coming back. It is the name every installed copy,
// older ones included, looks for: another name would ask again every user
// who has already answered Yes.
CString ShortcutMarkerIn(const char* installFolder);
// "<desktop>\ Veltrano.lnk", on the current user's desktop only.
CString DesktopLinkIn(const CString& desktopFolder);
// The desktop link's target: the install target less its last four
// characters ("...\tarnquill" for "...\tarnquill.exe"). Kept in that form:
// the links already on desktops are so made. Made from the install target,
// never from the running file, which may be a download of another name.
CString DesktopLinkTarget(const CString& installTarget);
// "<start menu>\ Veltrano.lnk", in the menus of all users and of the user.
CString StartMenuLinkIn(const CString& startMenuFolder);
// "<programs>\ Veltrano\": made before its link is written (it exists on a
// second run); in the programs menus of all users and of the user.
CString ProgramsSubFolderIn(const CString& programsFolder);
// "<programs>\ Veltrano\ Veltrano.lnk".
CString ProgramsLinkIn(const CString& programsFolder);

// --- Update -------------------------------------------------------------------
// "OldExecutable.bak" in the executable's folder: the image an update
// replaced, put back when the new one cannot be moved in. Beside the
// executable, so both moves stay on its volume; each update deletes the last.
CString BackupBeside(const CString& exePath);
// "<exe path>.undone": the version of an update that never started and was
// undone; that version and older ones are not offered again. Beside the
// executable, so every user of that copy skips it; a copy that cannot write
// there offers it again, which only costs a second undo.
CString UndoneUpdateRecordBeside(const CString& exePath);
// "<exe path>.failed": that update's image, moved off the executable's path
// so the backup can take it without ever overwriting a file.
CString FailedUpdateBeside(const CString& exePath);
// "<exe path>.<pid>.failed": the update's image set aside by an undo that
// found "<exe path>.failed" impossible to delete (another user made a
// folder there), so that nothing at that name can disable the undo.
CString OwnFailedUpdateBeside(const CString& exePath, plat::DWORD processId);
// "OldExecutable.<pid>.bak" in the executable's folder: the backup of a swap
// that found "OldExecutable.bak" impossible to delete (an old copy still
// runs from it, another user made it, or it is a folder), so that nothing
// at that name can stop every update for good.
CString OwnBackupBeside(const CString& exePath, plat::DWORD processId);
// "<folder>OldExecutable.*.bak": the backups of their own that swaps left.
CString OwnBackupsPattern(const CString& folder);
// 16 hex digits of a hash of the executable's full path, case folded as
// Windows compares paths (ASCII letters; double-byte characters of code page
// 936 kept whole): one value per executable file, whatever the spelling of
// its path. The update lock's name and the temporary names share it.
CString ExecutableHash(const char* exePath);
// "<folder><fileName>.<hash>.<pid>.part": the download of one update, made
// new in the executable's own folder so that it takes that folder's rights.
// The hash ties it to one executable, so the clean-up under that
// executable's lock deletes only its own leftovers; the process id gives
// each process a file of its own, so a file an ending process still holds
// is never written again.
CString DownloadFileName(const CString& folder, const CString& fileName, const char* exePath,
                         plat::DWORD processId);
// "<folder><fileName>.<hash>.*": every download of this executable, of
// whichever process (and the version copies older versions made).
CString TemporaryFilesPattern(const CString& folder, const CString& fileName, const char* exePath);

// --- Support log --------------------------------------------------------------
// "<local application data>\Veltrano\tarnquill.log": what the program
// decided and why, one line per event, for support to ask for. In the
// user's own profile, where no other standard user may add or change
// anything; a process running as SYSTEM writes under SYSTEM's profile.
// Only the log there is no installed copy: a copy is its executable.
constexpr char kSupportLogName[] = "tarnquill.log";
// The log's older generation, kept when the log is full.
constexpr char kOlderSupportLogName[] = "tarnquill.log.1";

// --- Removal --------------------------------------------------------------------
// The entry of the list of installed programs (Settings -> Apps), under
// HKEY_CURRENT_USER: each user who installs has one, and needs no
// administrator to write or remove it. An installation an administrator
// makes for every user has it under HKEY_LOCAL_MACHINE instead.
constexpr char kUninstallEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrano";
// Every file the program writes into the install folder beside the installed
// executable, in the order the removal deletes them: the marker, the backup,
// the staged image, the undo's record and image. A name added for a new file
// in that folder belongs here too, or the removal leaves it and with it the
// folder.
Array<CString> ProgramFilesIn(const CString& installFolder);
// The patterns of the files of that folder named after a process: staged
// images, backups and undone images of their own, downloads of updates.
Array<CString> ProgramFilePatternsIn(const CString& installFolder);
// "<tempDir><fileName>.<hash>.<pid>.removed": the running installed image,
// moved off the install folder so the folder can go (a running image cannot
// be deleted, only moved). It stays until the user's temporary files are
// cleaned; being one of that executable's temporary names, it also goes
// when the same user removes a later installation of the same path, whose
// removal sweeps those names from the temporary folder. No update looks
// there.
CString RemovedImageName(const CString& tempDir, const CString& fileName, const char* exePath,
                         plat::DWORD processId);
