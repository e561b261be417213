#include "install/CommandLine.h"

#include <cctype>
#include <cstring>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Past the program's path: a quoted one ends at its closing quote, another
// at the first blank.
const char* SkipProgramPath(const char* p) {
    if (*p == '"') {
        const char* close = std::strchr(p + 1, '"');
        return close ? close + 1 : p + std::strlen(p);
    }
    while (*p && !IsSpace(*p)) ++p;
    return p;
}

bool WordIs(const char* word, std::size_t length, const char* expected) {
    if (std::strlen(expected) != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(word[i])) != expected[i]) return false;
    return true;
}

}  // namespace

ProgramSwitches ParseSwitches(const char* commandLine) {
    ProgramSwitches switches;
    if (!commandLine) return switches;
    bool quiet = false;
    bool update = false;
    bool install = false;
    for (const char* p = SkipProgramPath(commandLine); *p;) {
        while (IsSpace(*p)) ++p;
        const char* word = p;
        while (*p && !IsSpace(*p)) ++p;
        const std::size_t length = static_cast<std::size_t>(p - word);
        if (WordIs(word, length, "/uninstall")) switches.uninstall = true;
        if (WordIs(word, length, "/quiet")) quiet = true;
        if (WordIs(word, length, "/update")) update = true;
        if (WordIs(word, length, "/install")) install = true;
    }
    switches.quiet = switches.uninstall && quiet;
    switches.update = !switches.uninstall && update && quiet;
    switches.install = !switches.uninstall && !update && install && quiet;
    return switches;
}
