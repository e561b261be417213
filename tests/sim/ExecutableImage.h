// Genuine PE32 executables made in memory, with or without a version
// resource, and the loader's way back to that resource. Portable: the native
// tests put them into the simulated file system, the Windows-side tests
// write them to disk for the real version library.
#pragma once
#include "platform/VersionApi.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <string>

namespace sim {

// The VS_VERSIONINFO block as the images carry it and the simulated version
// library reads it: the fixed part right after the header and its key.
constexpr plat::DWORD kFixedSignature = 0xFEEF04BDu;
constexpr std::size_t kFixedOffset = 40;  // header, key "VS_VERSION_INFO", padding
constexpr std::size_t kFixedSize = sizeof(plat::VS_FIXEDFILEINFO);
constexpr std::size_t kBlockSize = kFixedOffset + kFixedSize;

// A minimal but well-formed PE32 GUI executable (i386) of a few hundred
// bytes whose single section holds a VS_VERSIONINFO block with this file
// version ("a.b.c.d", missing parts 0). The section ends exactly at the end
// of the file.
std::string MakeExecutableImage(const char* version);
// The same with the fixed info's raw words (dwFileVersionMS, dwFileVersionLS).
std::string MakeExecutableImage(plat::DWORD versionMS, plat::DWORD versionLS);
// The same version in an image whose code section comes first and ends
// exactly at the resources' address, as linkers lay out most programs.
std::string MakeExecutableImageWithCode(const char* version);
// A well-formed executable without version information.
std::string MakeExecutableImageWithoutVersion();

// The data of resource RT_VERSION / 1 / first language, found by following
// the image's headers as a loader does; empty when the bytes are no PE
// image or carry no such resource.
std::string VersionResourceOf(const std::string& image);

}  // namespace sim
