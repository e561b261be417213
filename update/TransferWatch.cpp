#include "update/TransferWatch.h"

#include "platform/Kernel.h"
#include "platform/Threads.h"

#include <utility>

using namespace plat;

TransferWatch::TransferWatch() : m_lastHeard(GetTickCount()) {}

void TransferWatch::Begin() {
    m_state.store(kIdle);
    Heard();
}

void TransferWatch::Heard() { m_lastHeard.store(GetTickCount()); }

bool TransferWatch::Take() {
    int idle = kIdle;
    return m_state.compare_exchange_strong(idle, kBusy);
}

bool TransferWatch::Create(const char* path, DWORD disposition) {
    if (!Take()) return false;
    m_file.Reset(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, disposition,
                             FILE_ATTRIBUTE_NORMAL));
    const bool created = m_file.IsValid();
    Give();
    return created;
}

bool TransferWatch::Write(const void* data, DWORD size) {
    if (!Take()) return false;
    DWORD written = 0;
    WriteFile(m_file.Get(), data, size, &written);
    Give();
    return written == size;
}

bool TransferWatch::Close(bool whole) {
    if (!Take()) return false;
    // On the disk before it can be moved into the executable's place: after a
    // power cut a moved but unflushed file is zeros.
    const bool kept = whole && FlushFileBuffers(m_file.Get()) != FALSE;
    m_file.Close();
    Give();
    return kept;
}

bool TransferWatch::Done() {
    int idle = kIdle;
    return m_state.compare_exchange_strong(idle, kDone);
}

FileHandle TransferWatch::TakeFile() { return std::move(m_file); }

bool TransferWatch::SilentFor(DWORD milliseconds) const {
    // Unsigned difference: right across the clock's wrap after 49 days.
    return GetTickCount() - m_lastHeard.load() > milliseconds;
}

bool TransferWatch::CallOff() {
    int idle = kIdle;
    if (!m_state.compare_exchange_strong(idle, kCalledOff)) return false;
    m_file.Close();
    return true;
}
