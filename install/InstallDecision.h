// Whether the running program should install itself over the installed copy.
#pragma once
#include "base/CString.h"

// True when there is no usable installed copy (its version is empty) or the
// running program's version is the higher one.
bool ShouldInstall(const CString& ownVersion, const CString& installedVersion);
