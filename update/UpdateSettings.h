// When the update runs, how long it waits for the server and for another
// copy, and where it looks: a change of schedule, patience or server starts
// here, and only the step that uses a setting needs touching besides.
#pragma once
#include "platform/WinTypes.h"

#include "BuildConfig.h"

// The folder of update.txt, the executable and its signature.
constexpr char kUpdateDirectoryUrl[] = TQ_SCHEME "://" TQ_HOST "/tarnquill/update/";
// The files in it: the manifest, which names the newest version, and the
// executable's signature, the executable's own name with this suffix. Every
// release ever made is served under these names.
constexpr char kManifestName[] = "update.txt";
constexpr char kSignatureSuffix[] = ".sig";
// How the update introduces itself to the server (every request's
// User-Agent); servers' logs and rules may count on it.
constexpr char kUpdateAgentName[] = "AutoUpdateAgent";
// The manifest is read in one buffer of this size, its last byte kept for
// the terminating zero: a version needs a few bytes, an error page more.
constexpr plat::DWORD kManifestBufferSize = 4096;

// The main window's timers for the update, and what each one drives.
constexpr unsigned IDT_UPDATE_CHECK = 1;  // the scheduled check
constexpr unsigned IDT_UPDATE_WATCH = 2;  // watches a step running on a worker
constexpr unsigned IDT_UPDATE_RETRY = 3;  // looks again after an open box or a held lock

// The check runs once per start, this long after the main window opens:
// the start page and the installation come first.
constexpr plat::UINT kUpdateCheckDelayMs = 20 * 1000;
// How often a waiting step looks again, and a running one is watched.
constexpr plat::UINT kUpdateRetryMs = 1000;

// Time-outs of the update's transfers, in milliseconds.
constexpr plat::DWORD kNetworkWaitMs = 30 * 1000;            // connect, send, each read
constexpr plat::DWORD kDownloadDeadlineMs = 10 * 60 * 1000;  // the whole executable
constexpr plat::DWORD kSignatureDeadlineMs = 60 * 1000;      // the 384 bytes of the signature

// The most the download may bring: the program is well under a megabyte, and
// a server (or anything between) that sends more must not fill the disk. A
// larger announced length is refused before reading, a body that grows past
// it is called off.
constexpr plat::DWORD kMaxDownloadBytes = 64u * 1024 * 1024;

// A copy that finds another one updating the same executable waits this long
// for it to finish.
constexpr plat::DWORD kLockWaitMs = 5 * 60 * 1000;

// A restarted version that never gave its sign is ended and given this
// long to go, so its image is no longer in use when it is moved aside.
constexpr plat::DWORD kRestartEndWaitMs = 5 * 1000;

// After an accepted restart the old copy, its window closed, waits this long
// for the new version to say it runs before it puts the old one back. Long
// enough for a slow start on a loaded machine; short enough that a user
// whose program vanished is not left guessing for long.
constexpr plat::DWORD kRestartSignWaitMs = 30 * 1000;

// What an administrator may set for every user of the machine, where Group
// Policy and management tools write (HKEY_LOCAL_MACHINE, its 64-bit view on
// 64-bit Windows: see UpdatePolicy.cpp). A value that is absent, of another
// type or not of the form below leaves the built-in behaviour.
constexpr char kPolicyKey[] = "Software\\Policies\\Veltrano\\tarnquill";
// DWORD: 0 turns the window's own check off; "/update /quiet" still runs.
constexpr char kPolicyAutoUpdate[] = "AutoUpdate";
// String: the update directory to use instead of kUpdateDirectoryUrl (a
// mirror of the same three files), of the build's scheme only; the maker's
// signature is required as ever.
constexpr char kPolicyUpdateUrl[] = "UpdateUrl";
// The longest mirror address taken: with the executable's name and the
// version's query it must still fit the 1024 bytes of a canonical address.
constexpr plat::DWORD kPolicyUrlMax = 512;
