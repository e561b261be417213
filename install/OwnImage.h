// The running executable's bytes, read whole so that they can be written
// to the install folder as one block.
#pragma once
#include "base/Handles.h"
#include "platform/WinTypes.h"

class OwnImage {
public:
    // Reads the file with one ReadFile call into a zero-filled block of the
    // size GetFileSize reports.
    static OwnImage Read(const char* path);

    // True only when every byte of the file arrived: an image that failed to
    // open, has no known size or came back short must never be written out.
    bool IsComplete() const { return m_complete; }
    const void* Data() const { return m_block.Get(); }
    plat::DWORD Size() const { return m_size; }

private:
    MemoryBlock m_block;
    plat::DWORD m_size = 0;
    bool m_complete = false;
};

// Creates path new (never a file that is there already: another user may
// have planted it) and writes the whole image with one WriteFile. No other
// handle can write it while it is written.
enum class WriteOutcome {
    NotOpened,  // the file could not be created (it exists, or no rights)
    Written,
    Incomplete,  // not stored whole, or not flushed to the disk; the target is deleted
};
WriteOutcome WriteImage(const char* path, const OwnImage& image);
