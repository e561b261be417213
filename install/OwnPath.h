// The running executable's own path, taken from the command line and split
// into its folder and file name.
#pragma once

// exeDir gets the folder up to and including its last backslash (empty when
// there is none), exeName the rest, zero-filled behind it. The first
// character of the command line (the shell's opening quote) is dropped and
// the text is cut at the closing quote, so arguments never reach the path.
void SplitOwnPath(const char* commandLine, char (&exeDir)[256], char (&exeName)[256]);
