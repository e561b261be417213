// Whether a downloaded file is a complete Windows executable of the running
// program's own kind: the update never puts anything else in its place.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"
#include "update/ImageHeaders.h"

#include "BuildConfig.h"

enum class ImageKind { I386Pe32, Amd64Pe32Plus };

// The shipped program is i386 PE32; the 64-bit test build is AMD64 PE32+.
constexpr ImageKind kOwnImageKind = TQ_IMAGE_AMD64 ? ImageKind::Amd64Pe32Plus : ImageKind::I386Pe32;

// Pure check of an executable image of the given kind: head holds the file's
// first headLength bytes (at most kImageHeadSize), fileSize the whole
// length. True when the DOS and PE headers are sound, the machine and the
// optional header's magic are the kind's (i386 and PE32, or AMD64 and
// PE32+), the image is an executable (not a DLL), and every section's raw
// data lies within the file.
bool IsCompleteWin32Image(const unsigned char* head, std::size_t headLength,
                          std::uint64_t fileSize, ImageKind kind = kOwnImageKind);

// Reads the open file back from its start through the kernel and applies
// the check above. Moves the file's position.
bool IsCompleteWin32ExecutableFile(plat::HANDLE file);
