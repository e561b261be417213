// The COM adapter of the platform layer over the real calls: a failed
// creation leaves no object behind. (The simulation fails any test that asks
// it for another class, so this stays on the Windows side; the link object's
// rules are in tests/contract.)
#include "platform/Shell.h"

#include <gtest/gtest.h>

namespace {

TEST(ComAdapter, UnknownClassFailsWithNoObject) {
    ASSERT_TRUE(plat::SUCCEEDED(plat::CoInitialize(nullptr)));
    const plat::GUID nothing = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* p = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_TRUE(plat::FAILED(plat::CoCreateInstance(nothing, plat::CLSCTX_INPROC_SERVER, plat::IID_IShellLinkA, &p)));
    EXPECT_EQ(nullptr, p);
    plat::CoUninitialize();
}

}  // namespace
