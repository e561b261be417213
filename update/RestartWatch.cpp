// The sign of life of a restarted update, and the wait for it.
#include "update/RestartWatch.h"

#include "update/UpdateSettings.h"
#include "update/UpdateUndo.h"
#include "base/ProgramPaths.h"
#include "base/StartProgram.h"
#include "base/SupportLog.h"

#include "platform/Kernel.h"
#include "platform/Threads.h"

using namespace plat;

CString AliveEventName(const char* exePath) {
    return CString("Local\\tarnquill-alive-") + ExecutableHash(exePath);
}

void AnnounceRunning(const char* exePath) {
    KernelObject alive(OpenEventA(AliveEventName(exePath)));
    if (alive) SetEvent(alive.Get());
}

bool RestartWatch::Start(const CString& exePath) {
    m_exePath = exePath;
    m_alive.Reset(CreateEventA(AliveEventName(exePath)));
    m_process = StartWatchedProgram(exePath);
    if (m_process) return true;
    m_alive.Close();
    return false;
}

bool RestartWatch::Await() {
    if (!m_process || !m_alive) return true;
    HANDLE handles[2] = {m_alive.Get(), m_process.Get()};
    // When both are signalled the event's index comes first: a program
    // that gave the sign and was then closed by its user ran.
    DWORD waited = WaitForMultipleObjects(2, handles, kRestartSignWaitMs);
    // A wait that fails tells nothing; a running update is never undone on a guess.
    bool alive = waited == WAIT_OBJECT_0 || waited == WAIT_FAILED;
    if (!alive && waited == WAIT_TIMEOUT) {
        TerminateProcess(m_process.Get(), 1);
        HANDLE process = m_process.Get();
        WaitForMultipleObjects(1, &process, kRestartEndWaitMs);
    }
    m_alive.Close();
    m_process.Close();
    LogEvent("restart: %s", alive ? "runs" : "no sign, undone");
    if (!alive && !UndoUpdate(m_exePath)) LogEvent("undo failed");
    return alive;
}
