#include "install/OwnPath.h"

#include "base/CString.h"

#include <cstring>

namespace {

constexpr int kMember = 256;
// Quotes are looked for at these positions only; a quote further on lies
// beyond what the member can hold anyway.
constexpr int kLastQuotePos = kMember - 2;

// Index where a cut at `limit` bytes must fall so that no double-byte
// character loses its trail byte.
int SafeCut(const char* text, int limit) {
    int i = 0;
    while (i < limit) {
        const int step = IsLeadByte936(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

// Copies the command line less its first character into exeDir, cut at the
// first double quote at positions 1..254. Never reads past the command
// line's terminator and always leaves a terminator inside exeDir.
void CopyUnquoted(const char* commandLine, char (&exeDir)[kMember]) {
    std::strncpy(exeDir, commandLine, kMember - 1);
    for (int i = 0; i < kMember - 1; ++i) {
        if (i >= 1 && i <= kLastQuotePos && commandLine[i] == '"') {
            exeDir[i - 1] = '\0';
            return;
        }
        exeDir[i] = commandLine[i + 1];
        if (commandLine[i + 1] == '\0') return;
    }
    // No quote within reach and more text than the member holds: keep what
    // fits, without splitting a double-byte character.
    exeDir[SafeCut(exeDir, kMember - 1)] = '\0';
}

}  // namespace

void SplitOwnPath(const char* commandLine, char (&exeDir)[256], char (&exeName)[256]) {
    if (commandLine == nullptr || commandLine[0] == '\0') {
        exeDir[0] = '\0';
        std::memset(exeName, 0, sizeof exeName);
        return;
    }
    CopyUnquoted(commandLine, exeDir);
    // A trail byte 0x5C (as in "誠") is part of its character, not a separator.
    const int slash = CString(exeDir).ReverseFind('\\');
    std::memset(exeName, 0, sizeof exeName);
    // slash + 1 first: exeDir - 1 is no pointer into the member.
    std::strncpy(exeName, exeDir + (slash + 1), sizeof exeName - 1);
    exeDir[slash + 1] = '\0';
}
