// Whether this user can replace the executable the program runs from, found
// out before the update check asks the server anything: a user who cannot
// (a copy another user installed, or one only administrators may change)
// would be offered an update whose download then fails, and be told to
// download it by hand. Their copy is kept current by those who can.
#pragma once

// Why not, so that a log can say it.
enum class ReplaceRight {
    Granted,
    FolderClosed,      // no file may be added to the executable's folder (the download, the backup)
    ExecutableClosed,  // the executable may not be moved aside
};

// Asks the system itself, by opening the folder to add a file and the
// executable to move it, sharing everything: its own access check on this
// user's token, with nothing written.
ReplaceRight MayReplaceExecutable(const char* exePath);
