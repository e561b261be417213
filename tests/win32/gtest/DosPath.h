// The build hands its paths to the Windows-side tests as Unix paths in the
// environment; under Wine they are reached through drive Z:.
#pragma once
#include <cstdlib>
#include <string>

inline std::string DosPathFromEnvironment(const char* variable) {
    const char* unix = std::getenv(variable);
    if (!unix || !*unix) return std::string();
    std::string dos = unix[0] == '/' ? std::string("Z:") + unix : std::string(unix);
    for (char& c : dos)
        if (c == '/') c = '\\';
    return dos;
}
