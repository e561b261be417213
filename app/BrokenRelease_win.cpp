// Linked only into the test variant variants/broken: a release that ends
// with exit code 3 as it starts, before any window, as one that misses a
// system function on an older Windows would. Never part of the shipped
// program; the end-to-end tests check that such an update is undone.
#include <windows.h>

namespace {

struct EndAtStart {
    EndAtStart() { ::ExitProcess(3); }
};
const EndAtStart g_endAtStart;

}  // namespace
