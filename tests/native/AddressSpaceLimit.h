// Lets a death test's process map only `headroom` more bytes, so that larger
// requests fail as on a machine out of memory. Returns the soft limit that
// was in force, for RestoreAddressSpace.
#pragma once
#include <sys/resource.h>

#include <cstddef>
#include <cstdio>

inline rlim_t LimitAddressSpace(std::size_t headroom) {
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = static_cast<rlim_t>(pages) * 4096 + headroom;
    setrlimit(RLIMIT_AS, &limit);
    return before;
}

inline void RestoreAddressSpace(rlim_t softLimit) {
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = softLimit;
    setrlimit(RLIMIT_AS, &limit);
}
