// How the window watches a transfer that runs on a worker, and calls it off
// without waiting for a read that may never return: Wine's WinINet, for one,
// lets a stalled read wait past the receive time-out. The download's file
// is shared: the worker touches it only while it holds it, so the window
// can take it away between two writes, close it and delete it. No other
// handle may write the file: it is opened for reading and writing, shared
// for reading only, and stays open when whole, so that what is checked is
// read back through the very handle that wrote it.
#pragma once
#include "base/Handles.h"

#include "platform/WinTypes.h"

#include <atomic>

class TransferWatch {
public:
    TransferWatch();
    TransferWatch(const TransferWatch&) = delete;
    TransferWatch& operator=(const TransferWatch&) = delete;

    // Window, as a step starts on a worker: the watch anew.
    void Begin();

    // Worker. Each of these is false once the window has called it off.
    void Heard();  // the server answered
    // disposition: CREATE_NEW for the update's own file, which must never
    // be one that was already there.
    bool Create(const char* path, plat::DWORD disposition);
    bool Write(const void* data, plat::DWORD size);
    // Flushed first when whole; closed either way.
    bool Close(bool whole);
    // The step has ended: its result counts.
    bool Done();
    // After the step has ended: the file, still open, handed over.
    FileHandle TakeFile();

    // Window.
    bool SilentFor(plat::DWORD milliseconds) const;
    // False while the worker holds the file or once its step has ended;
    // after true the file is closed and the step's result counts for nothing.
    bool CallOff();

private:
    enum State { kIdle, kBusy, kCalledOff, kDone };
    bool Take();
    void Give() { m_state.store(kIdle); }

    std::atomic<int> m_state{kIdle};
    std::atomic<plat::DWORD> m_lastHeard;
    FileHandle m_file;
};
