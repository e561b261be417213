// The test-facing side of the simulated kernel, version library and window
// manager: what a native test sets up before calling the portable logic and
// inspects afterwards. sim::Reset() (SimWorld.h) restores a fresh machine:
// a C: volume holding only the default temporary and current directories,
// no handles, no processes, no scripted answers, no windows, no faults.
// Injected faults (SimFaults.h): a Fail makes the call return its failure
// value with nothing done; a Short read or write returns TRUE having moved
// only the fault's byte count (a full disk, an early end); a failing
// CloseHandle still closes the handle.
#pragma once
#include "platform/WinTypes.h"
#include "tests/sim/ExecutableImage.h"
#include "tests/sim/SimFaults.h"
#include "tests/sim/SimWorld.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

// ---------------------------------------------------------------- files
// Paths follow the Windows rules: rooted at a drive ("C:\", "D:\"...; each
// letter is its own volume, every volume's root exists), backslash
// separated ('/' is accepted as well), case-insensitive in ASCII, trailing
// backslash ignored. Relative paths are taken from the current directory.
// Names are byte strings in code page 936 (a trail byte 0x5C is not a
// separator).

// Creates or replaces a file with these bytes, creating missing parent
// folders. False when a folder of that name exists.
bool PutFile(const std::string& path, const std::string& bytes);
// The file's bytes, or nothing when no file of that name exists.
std::optional<std::string> ReadFileBytes(const std::string& path);
bool Exists(const std::string& path);    // file or folder
bool IsFolder(const std::string& path);  // folder (drive roots included)
// Creates the folder; recursive creates missing parents too. True when it
// exists afterwards as a folder.
bool MakeFolder(const std::string& path, bool recursive = true);
// Removes a file or an empty folder regardless of handles (test set-up).
bool RemovePath(const std::string& path);
// The names (not paths) of a folder's entries, with their stored case,
// sorted case-insensitively.
std::vector<std::string> ListFolder(const std::string& path);

// Links (reparse points), as another local user may plant them: no
// privilege is needed for a junction in a folder one may add to.
// A name surrogate's tag: a junction or mount point, a symbolic link.
constexpr plat::DWORD kMountPointTag = 0xA0000003u;
constexpr plat::DWORD kSymlinkTag = 0xA000000Cu;
// Tags of reparse points that stand for the file itself: compressed (WOF),
// deduplicated, a cloud placeholder.
constexpr plat::DWORD kWofTag = 0x80000017u;
constexpr plat::DWORD kDedupTag = 0x80000013u;
constexpr plat::DWORD kCloudTag = 0x9000001Au;
// A link at path (which must not exist yet) to target: a folder link
// (junction, mount point, symbolic link to a folder) or a link to a file.
bool MakeLink(const std::string& path, const std::string& target, bool folder, plat::DWORD tag = kMountPointTag);
// Makes an existing file or folder a reparse point of this tag; with
// tagUnreadable, querying its tag fails.
bool MarkReparsePoint(const std::string& path, plat::DWORD tag, bool tagUnreadable = false);
// A second name for an existing file (a hard link): one file, one owner,
// one list, whichever name it is reached by.
bool HardLink(const std::string& existing, const std::string& newName);

// Handles of every kind (files, processes, threads) still open.
int OpenHandleCount();
int OpenFileHandleCount();

// Marks a file as the image of a running process. As on Windows it can be
// renamed or moved (the mark follows it), but not deleted, opened for
// writing, or replaced by a move onto its name. Marking the file at
// ModulePath() loads this program's own image: as long as the mark stays,
// the version library answers a query of that path from the bytes the file
// had then, whatever the file at that path holds later.
void SetRunningImage(const std::string& path, bool running);
bool IsRunningImage(const std::string& path);

// Moves recorded by MOVEFILE_DELAY_UNTIL_REBOOT, in call order. The target is
// empty for a delayed delete (null target).
struct PendingMove {
    std::string from;
    std::string to;
    plat::DWORD flags;
};
std::vector<PendingMove> PendingMoves();

// Calls that passed a handle the kernel never gave or had already closed,
// by function name ("CloseHandle", "ReadFile", ...). Such calls fail.
std::vector<std::string> BadHandleCalls();

// -------------------------------------------------------- executables
// Executable images to put into files: tests/sim/ExecutableImage.h.

// Makes GetFileVersionInfoSizeA answer this size for files with version
// data (0 restores the true size), to drive callers into allocation failure.
void SetVersionInfoSizeOverride(plat::DWORD size);

// ---------------------------------------------------- paths, processes
// GetCommandLineA's answer. Until set, it is the module path in quotes.
void SetCommandLine(const std::string& commandLine);
// The running executable's full path (GetModuleFileNameA), default
// "C:\Users\user\Downloads\tarnquill.exe". It is not created in the file
// system; tests PutFile it when they need it.
void SetModulePath(const std::string& path);
std::string ModulePath();
// Default "C:\Users\user\AppData\Local\Temp\" (created by Reset).
void SetTempPath(const std::string& path);
// Default "C:\Users\user\Downloads".
void SetCurrentDirectory(const std::string& path);

struct ProcessStart {
    std::string application;  // as passed
    plat::DWORD creationFlags;
    plat::DWORD startupInfoSize;  // STARTUPINFOA::cb
    std::string currentDirectory;  // the one given, else the caller's
};
// What the next started program does (first scripted, first used): run
// whenStarted as it starts (the program's own code, e.g. the sign that it
// runs), then end at once, or keep running until it is terminated. A start
// with nothing scripted ends at once.
struct StartedProgram {
    std::function<void()> whenStarted;
    bool keepsRunning = false;
};
void ScriptNextStart(StartedProgram program);
// True while the nth started process (in ProcessStarts' order) runs.
bool StartedProcessRuns(std::size_t index);
// Every successful CreateProcessA, in order. A start fails (and is not
// listed) when no file exists at the application path.
std::vector<ProcessStart> ProcessStarts();

// ---------------------------------------------------------- message boxes
struct MessageBoxCall {
    plat::HWND owner;
    std::string text;
    std::string caption;  // as shown: AfxMessageBox shows the app name
    plat::UINT style;
    bool fromAfx;  // AfxMessageBox rather than MessageBoxA
};
// Scripts the answer of the next message box (first queued, first used).
void QueueAnswer(int answer);
// Runs while the next box is open, before its answer: what another process
// or the user does meanwhile.
void WhileNextBoxIsOpen(std::function<void()> action);
// Answers still queued.
int PendingAnswers();
// Every box shown since Reset, answered or not.
std::vector<MessageBoxCall> MessageBoxes();
// Boxes shown with no answer queued: each also fails the running test (a
// GoogleTest non-fatal failure) and is answered IDCANCEL.
std::vector<MessageBoxCall> UnexpectedMessageBoxes();
void SetActiveWindow(plat::HWND hwnd);  // GetActiveWindow's answer, default null
void SetAppName(const std::string& name);  // AfxGetAppName, default "tarnquill"

// --------------------------------------------------------- window manager
// Windows with a parent, children in z-order (first created on top), a
// control id, a window rectangle in screen coordinates and a client area
// inset from it by the borders.
struct Borders {
    plat::LONG left, top, right, bottom;
};
// Creates a window; rect is in the parent's client coordinates (screen
// coordinates for a top-level window). The new child goes to the bottom of
// its parent's z-order.
plat::HWND CreateWindow(plat::HWND parent, int controlId, plat::RECT rect,
                        Borders borders = {0, 0, 0, 0});
void DestroyWindow(plat::HWND hwnd);  // and its children
bool IsWindow(plat::HWND hwnd);
plat::RECT WindowRect(plat::HWND hwnd);  // screen coordinates
plat::RECT ClientRect(plat::HWND hwnd);  // (0, 0, width, height)
void SetBorders(plat::HWND hwnd, Borders borders);

// The window's handler for SendMessageA (and WM_SIZE after a MoveWindow
// that changes the client size). Without one, messages are recorded and
// answer 0.
using MessageHandler = std::function<plat::LRESULT(plat::UINT, plat::WPARAM, plat::LPARAM)>;
void SetMessageHandler(plat::HWND hwnd, MessageHandler handler);

struct SentMessage {
    plat::HWND hwnd;
    plat::UINT msg;
    plat::WPARAM wParam;
    plat::LPARAM lParam;
};
// Every message delivered: SendMessageA calls, WM_SIZE from MoveWindow and
// WM_TIMER from FireTimer.
std::vector<SentMessage> SentMessages();

struct MoveCall {
    plat::HWND hwnd;
    int x, y, width, height;
    plat::BOOL repaint;
};
std::vector<MoveCall> MoveCalls();

struct TimerCall {
    plat::HWND hwnd;
    std::uintptr_t id;
    plat::UINT elapse;  // 0 for KillTimer
    bool set;           // SetTimer rather than KillTimer
};
std::vector<TimerCall> TimerCalls();
std::set<std::uintptr_t> LiveTimers(plat::HWND hwnd);
// Delivers WM_TIMER for a live timer; false (nothing sent) otherwise.
bool FireTimer(plat::HWND hwnd, std::uintptr_t id);

}  // namespace sim
