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
    static const char* const kWords[] = {"/uninstall", "/quiet", "/update", "/install"};
    unsigned seen = 0;  // a bit per word
    for (const char* p = SkipProgramPath(commandLine); *p;) {
        while (IsSpace(*p)) ++p;
        const char* word = p;
        while (*p && !IsSpace(*p)) ++p;
        for (unsigned i = 0; i < 4; ++i)
            if (WordIs(word, static_cast<std::size_t>(p - word), kWords[i])) seen |= 1u << i;
    }
    const bool quiet = seen & 2u;
    switches.uninstall = seen & 1u;
    switches.quiet = switches.uninstall && quiet;
    switches.update = !switches.uninstall && (seen & 4u) && quiet;
    switches.install = !switches.uninstall && !(seen & 4u) && (seen & 8u) && quiet;
    return switches;
}
