// What an administrator has set for the update (UpdateSettings.h names the
// key and its values): whether the window checks at all, and where.
#pragma once
#include "base/CString.h"

struct UpdatePolicy {
    bool autoUpdate = true;  // false: the window's check makes no request
    CString directory;       // the update directory, ending in '/'
};

UpdatePolicy ReadUpdatePolicy();

// The mirror's address ending in '/', or empty when url is not one to take:
// the build's scheme (any case), a host, nothing but printable ASCII, no
// query or fragment (file names are appended), within kPolicyUrlMax.
CString PolicyDirectory(const char* url);
