// The file version read from an image's own bytes through an open handle.
#include "update/ImageVersion.h"

#include "platform/Kernel.h"
#include "tests/sim/ExecutableImage.h"
#include "tests/sim/SimKernel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string VersionOf(const std::string& bytes) {
    sim::Reset();
    const char* path = "C:\\Temp\\tarnquill.exe";
    sim::PutFile(path, bytes);
    plat::HANDLE file = plat::CreateFileA(path, plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING, 0);
    const CString version = ImageFileVersion(file);
    plat::CloseHandle(file);
    return static_cast<const char*>(version);
}

TEST(ImageVersion, FollowsTheSectionsToTheVersionResource) {
    const std::string image = sim::MakeExecutableImage("5.1.0.3");
    std::string noResources = image;
    noResources[0x44 + 20 + 92] = 2;  // NumberOfRvaAndSizes: no third entry
    const struct {
        const char* what;
        std::string bytes;
        const char* version;
    } rows[] = {
        {"the resources alone in their section", image, "5.1.0.3"},
        // The code section ends exactly at the resources' address: the
        // address belongs to the section that begins there.
        {"a code section ending at the resources", sim::MakeExecutableImageWithCode("5.0.0.1"), "5.0.0.1"},
        {"no version resource", sim::MakeExecutableImageWithoutVersion(), ""},
        {"no resource directory", noResources, ""},
        {"bytes of the image but not its end", image.substr(0, 0x200 + 0x60), ""},
        {"no image", std::string(600, 'x'), ""},
    };
    for (const auto& row : rows) EXPECT_EQ(VersionOf(row.bytes), row.version) << row.what;
}

}  // namespace
