// Whether a downloaded file is a complete 32-bit Windows executable: the
// update never puts anything else in the running program's place.
#pragma once
#include <cstddef>
#include <cstdint>

// The headers must lie in the file's first kExecutableHeadSize bytes.
constexpr std::size_t kExecutableHeadSize = 4096;

// Pure check of a PE32 i386 executable image: head holds the file's first
// headLength bytes (at most kExecutableHeadSize), fileSize the whole length.
// True when the DOS and PE headers are sound, the machine is i386, the image
// is an executable (not a DLL), the optional header is PE32, and every
// section's raw data lies within the file.
bool IsCompleteWin32Image(const unsigned char* head, std::size_t headLength,
                          std::uint64_t fileSize);

// Reads the file back through the kernel and applies the check above.
bool IsCompleteWin32ExecutableFile(const char* path);
