#include "afx/OleInit.h"

#include <ole2.h>

#include <new>

namespace afx {

OleInitializer::OleInitializer() : m_ok(SUCCEEDED(OleInitialize(nullptr))) {}

OleInitializer::~OleInitializer() {
    if (m_ok) OleUninitialize();
}

namespace {
OleInitializer*& TheOle() {
    static OleInitializer* ole = nullptr;
    return ole;
}
}  // namespace

bool EnsureOleInitialized() {
    OleInitializer*& ole = TheOle();
    if (!ole) ole = new (std::nothrow) OleInitializer;
    return ole && ole->Ok();
}

void ReleaseOle() {
    delete TheOle();
    TheOle() = nullptr;
}

}  // namespace afx
