// OleInitialize for the calling thread, undone when the owner goes.
#pragma once

namespace afx {

class OleInitializer {
public:
    OleInitializer();
    ~OleInitializer();
    OleInitializer(const OleInitializer&) = delete;
    OleInitializer& operator=(const OleInitializer&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
};

// Initialises OLE once for the user-interface thread; the application
// releases it at the end of AfxWinMain (ReleaseOle). True when usable.
bool EnsureOleInitialized();
void ReleaseOle();

}  // namespace afx
