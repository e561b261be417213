// The file version of an executable, read from its own bytes through an
// open handle: the update checks the very bytes it holds and then moves,
// where the version library would open the file again by its name.
#pragma once
#include "base/CString.h"
#include "platform/WinTypes.h"

// The short form of the file version in the image's version resource
// (RT_VERSION, id 1, its first language), as GetFileVersionString gives it;
// empty when the bytes carry none. Moves the file's position.
CString ImageFileVersion(plat::HANDLE file);
