// The restart into an update, watched: the copy that swapped the update in
// starts it, closes its window and waits for the new version to say that it
// runs; without that sign it puts the previous version back (UpdateUndo).
// The waiting lives in the old copy, so every version from this one on
// must give the sign, or its updates would all be undone.
#pragma once
#include "base/CString.h"
#include "base/Handles.h"

// "Local\tarnquill-alive-<hash of the executable's path>". Named after the
// file, not a process: the restarting copy creates it before the start, so
// the sign cannot come before anyone listens, and any copy that reaches its
// window from that file shows that the file runs.
CString AliveEventName(const char* exePath);

// Every copy gives the sign once its main window exists. When nobody waits
// it costs one failed open of the event.
void AnnounceRunning(const char* exePath);

class RestartWatch {
public:
    // Made at start as a global: nothing to do until a restart.
    RestartWatch() noexcept = default;
    // Creates the event, then starts the executable; false when it could
    // not be started. Without the event it starts unwatched.
    bool Start(const CString& exePath);
    // Waits, bounded, for the sign of the started program. Without it the
    // program is ended if it still runs and the update undone. True when
    // the sign came, or nothing was watched.
    bool Await();

private:
    CString m_exePath;
    KernelObject m_alive;
    KernelObject m_process;
};
