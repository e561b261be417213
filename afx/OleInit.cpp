#include "afx/OleInit.h"

#include <ole2.h>

#include <memory>

namespace afx {

OleInitializer::OleInitializer() : m_ok(SUCCEEDED(OleInitialize(nullptr))) {}

OleInitializer::~OleInitializer() {
    if (m_ok) OleUninitialize();
}

namespace {
std::unique_ptr<OleInitializer>& TheOle() {
    static std::unique_ptr<OleInitializer> ole;
    return ole;
}
}  // namespace

bool EnsureOleInitialized() {
    auto& ole = TheOle();
    if (!ole) ole = std::make_unique<OleInitializer>();
    return ole->Ok();
}

void ReleaseOle() { TheOle().reset(); }

}  // namespace afx
