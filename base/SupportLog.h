// The support log: one line per decision the program takes on its own (a
// start's installation, each step and request of an update, a removal),
// with the reason, so that "no new version" can be told apart from a
// missing signature, an untrusted folder or a policy. Plain text in the
// user's profile (ProgramPaths: SupportLogIn), at most kSupportLogMax bytes
// and one older generation. Writing it never changes what the program does
// and never shows anything: a log that cannot be written is simply not.
#pragma once
#include "base/CString.h"
#include "base/ObjectTrust.h"

constexpr plat::DWORD kSupportLogMax = 256 * 1024;

// Once at start, before any worker runs: this process logs into folder
// (the user's "<local application data>\Veltrano\"), made with the
// program's protected rights when missing and used only when it passes the
// trust rule. Every line carries the time (UTC), the process id and
// version. An empty folder turns the log off.
void OpenSupportLog(const CString& folder, const char* version);
// The same for the account the program runs as (under SYSTEM's profile for
// a task run as SYSTEM), with the running executable's version.
void OpenUserSupportLog();
// Whether lines are written: what a line needs that costs a call is asked
// for only then.
bool SupportLogOn();
// One line of printf-style text (msvcrt's: no %z or %ll), from any thread:
// formatted on the caller's stack and appended with one write, so lines of
// several threads or copies never mix. Control characters become spaces,
// so one event is one line.
void LogEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Both generations and, when it is then empty, their folder; nothing is
// logged afterwards. For a removal that left nothing of the program; a log
// beside the user's own copy, still installed, stays.
void DeleteSupportLog();

// An address as the log shows it: no user-info (a mirror's address may
// carry a name and password) and no query or fragment (nor a token there).
CString LoggableUrl(const char* url);
// The rule a folder or file failed, in a word ("ok" when none).
const char* TrustName(Trust verdict);
