// Paths compared as Windows compares them: ASCII letters without regard to
// case; a double-byte character (whose trail byte may look like a letter or
// a backslash) byte for byte.
#pragma once

bool SamePath(const char* a, const char* b);
// True when path names something inside folder (which ends in a backslash).
bool IsInFolder(const char* path, const char* folder);
