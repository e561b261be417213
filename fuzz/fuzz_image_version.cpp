// The file version read from an image's own bytes (the downloaded and the
// installed executable): any bytes give a well-formed version or nothing,
// never a read outside what the file holds; bytes after the image's end do
// not change what was found; nothing is written and no handle is left open.
#include "FuzzCheck.h"

#include "platform/Kernel.h"
#include "tests/sim/SimKernel.h"
#include "tests/sim/SimWorld.h"
#include "update/ImageVersion.h"

namespace {

const char kPath[] = "C:\\Temp\\tarnquill.exe";

std::string VersionOf(const std::string& bytes) {
    sim::PutFile(kPath, bytes);
    plat::HANDLE file = plat::CreateFileA(kPath, plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING, 0);
    FUZZ_CHECK(file != plat::INVALID_HANDLE_VALUE);
    const std::string version = static_cast<const char*>(ImageFileVersion(file));
    plat::CloseHandle(file);
    FUZZ_CHECK(sim::OpenFileHandleCount() == 0);
    FUZZ_CHECK(sim::ReadFileBytes(kPath) == bytes);
    return version;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::Reset();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string version = VersionOf(bytes);
    if (version.empty()) return 0;

    // Two to four numbers of 16 bits each, as the fixed block holds them.
    const auto numbers = fuzzref::ParseVersion(version);
    FUZZ_CHECK(numbers.has_value());
    for (std::int64_t n : *numbers) FUZZ_CHECK(n <= 0xFFFF);
    FUZZ_CHECK(VersionOf(bytes + std::string(4096, '\xCC')) == version);
    return 0;
}
