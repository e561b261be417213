// Splitting the command line into the program's folder and file name:
// never writes outside its two 256-byte members, never reads past the
// command line's end, and gives exactly the text the rule names.
#include "FuzzCheck.h"

#include "install/OwnPath.h"
#include "base/CString.h"

#include <cstring>
#include <memory>

namespace {

constexpr unsigned char kGuard = 0xA5;
constexpr std::size_t kGuardSize = 64;

// A 256-byte member with guard bytes on both sides.
struct Guarded {
    unsigned char before[kGuardSize];
    char member[256];
    unsigned char after[kGuardSize];
};

bool GuardsIntact(const Guarded& g) {
    for (std::size_t i = 0; i < kGuardSize; ++i)
        if (g.before[i] != kGuard || g.after[i] != kGuard) return false;
    return true;
}

// The last backslash that is a character of its own under the double-byte
// rules (a trail byte 0x5C is not one), or npos.
std::size_t LastSeparator(const std::string& s) {
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < s.size();) {
        const bool pair = IsLeadByte936(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
        if (!pair && s[i] == '\\') found = i;
        i += pair ? 2 : 1;
    }
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The command line is a C string in a block of exactly its size, so a
    // read past its terminator is caught.
    std::size_t length = 0;
    while (length < size && data[length] != 0) ++length;
    std::unique_ptr<char[]> commandLine(new char[length + 1]);
    std::memcpy(commandLine.get(), data, length);
    commandLine[length] = '\0';
    const std::string line(commandLine.get(), length);

    Guarded dir, name;
    std::memset(&dir, kGuard, sizeof dir);
    std::memset(&name, kGuard, sizeof name);
    SplitOwnPath(commandLine.get(), dir.member, name.member);

    FUZZ_CHECK(GuardsIntact(dir) && GuardsIntact(name));
    FUZZ_CHECK(std::memchr(dir.member, 0, 256) != nullptr);
    FUZZ_CHECK(std::memchr(name.member, 0, 256) != nullptr);
    const std::string exeDir(dir.member);
    const std::string exeName(name.member);
    // Zero-filled behind the name.
    for (std::size_t i = exeName.size(); i < 256; ++i) FUZZ_CHECK(name.member[i] == 0);

    // The path: from the second character to the first quote at positions
    // 1..254; without one, the rest of the line, cut to fit 255 bytes.
    std::string path;
    const std::size_t quote = line.find('"', 1);
    if (line.empty()) {
        path.clear();
    } else if (quote != std::string::npos && quote <= 254) {
        path = line.substr(1, quote - 1);
    } else {
        path = line.substr(1);
    }
    const std::string joined = exeDir + exeName;
    if (path.size() <= 254) {
        FUZZ_CHECK(joined == path);
    } else {
        // Too long for the member: a prefix, shortened by at most one byte
        // so that no double-byte character is split.
        FUZZ_CHECK(path.compare(0, joined.size(), joined) == 0);
        FUZZ_CHECK(joined.size() == 255 || joined.size() == 254);
    }

    // The folder ends at the last backslash; the name holds none.
    const std::size_t sep = LastSeparator(joined);
    FUZZ_CHECK(exeDir.size() == (sep == std::string::npos ? 0 : sep + 1));
    FUZZ_CHECK(LastSeparator(exeName) == std::string::npos);
    return 0;
}
