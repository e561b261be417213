// The update agent: the program's one internet session, its transfers and
// the update procedure with the executable swap; its version operations are
// base/'s (VersionStrings, FileVersion) under the agent's names.
#pragma once
#include "base/CString.h"
#include "base/FileVersion.h"
#include "base/VersionStrings.h"
#include "platform/WinTypes.h"

// Results of CheckForUpdate, in the order of its steps.
enum UpdateResult : int {
    Updated = 0,
    NotConnected = 1,
    OpenFailed = 2,
    ManifestReadFailed = 3,
    DownloadFailed = 4,
    OwnVersionUnknown = 5,
    NoNewerVersion = 6,
    NotReplaced = 7,
    // This user cannot replace the executable (ReplaceRight.h): nothing was
    // asked of the server, and nothing is shown.
    NotPermitted = 8,
};

// Why the procedure ended without the executable current: finer than the
// result, which the window's messages need no more of. A quiet update
// reports it as its exit code (QuietUpdate.h).
enum class UpdateFailure {
    None,          // current: updated, or nothing newer announced
    Network,       // no connection, the server unreachable or silent, an error status, no version read
    Signature,     // no signature served, or the download not the maker's newer executable
    TooLarge,      // the download past kMaxDownloadBytes
    NotAllowed,    // the download or the swap could not be written beside the executable
    LockHeld,      // another copy kept the update lock past kLockWaitMs
    Undone,        // the announced version was undone on this PC
    NoOwnVersion,  // the running executable carries no version
};

class CAutoUpdater {
public:
    CAutoUpdater();
    virtual ~CAutoUpdater();
    CAutoUpdater(const CAutoUpdater&) = delete;
    CAutoUpdater& operator=(const CAutoUpdater&) = delete;

    // Internet session and transfers. The session opens at the first call
    // that needs it, not at construction: nothing of the network is set up
    // before the check, 20 s after the start. One try: a session that could
    // not be opened stays closed for the updater's life.
    plat::HINTERNET Session();
    bool IsConnected();
    plat::HINTERNET OpenUrl(CString& strUrl);
    bool ReadChunk(plat::HINTERNET hUrl, void* pBuffer, plat::DWORD nSize);
    bool DownloadToFile(plat::HINTERNET hUrl, const char* lpszFileName);
    CString GetModulePath();  // RunningModulePath, base/ModulePath

    // Version strings and comparison: the agent's names for base/'s
    // functions, which the installation and the start page use directly.
    CString GetFileVersionString(const char* lpszFileName) { return ::GetFileVersionString(lpszFileName); }
    bool IsNumeric(const CString& str) { return ::IsNumeric(str); }
    int CompareVersions(CString strFirst, CString strSecond) { return ::CompareVersions(strFirst, strSecond); }

    // The update procedure in one blocking call, without a question or a
    // box (the window's check asks first, BackgroundUpdate.h); why, when
    // given, receives the reason of a failure.
    UpdateResult CheckForUpdate(const char* lpszBaseUrl, UpdateFailure* why = nullptr);
    bool ReplaceExecutable(CString strExePath, CString strNewFile, bool bDelayUntilReboot);

    plat::HINTERNET m_hSession = nullptr;

private:
    bool m_sessionTried = false;
};

class TransferWatch;
enum class DownloadEnd { Whole, Broken, NoFile, TooLarge };
// The body into a file made new (CREATE_NEW) and held by the watch, which a
// watching window may call off. Whole when all of it came and stayed within
// kMaxDownloadBytes; the file then stays open in the watch (TakeFile), else
// whatever of it is still the worker's is closed. NoFile: the file could not
// be made.
// bytes: how many came.
DownloadEnd DownloadInto(plat::HINTERNET hUrl, const char* lpszFileName, TransferWatch& watch, plat::DWORD& bytes);
