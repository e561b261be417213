// A file's version, read from its fixed version block. Every failure, an
// allocation failure included, reads as "no version": the empty string.
#pragma once
#include "base/CString.h"
#include "platform/WinTypes.h"

// The short form: "a.b.c.d", or "a.b" when the last two numbers are 0, or
// empty when all four are (the start page's query and the update's own version).
CString GetFileVersionString(const char* lpszFileName);
// The short form of a fixed version block's two file-version words.
CString ShortVersionString(plat::DWORD versionMS, plat::DWORD versionLS);
// Always the four-number form, or empty (the installed copy's version).
CString GetInstalledVersionOf(const char* lpszFileName);
