// Times the update download: OpenUrl and DownloadToFile of the update agent,
// the same code the program runs, on one URL into one file.
//   tq_bench_download URL FILE           the program's own download
//   tq_bench_download --flags HEX URL FILE
//                                        the same, opened with other flags
//   tq_bench_download URL FILE PIECE     the same loop of reads and writes
//                                        with PIECE bytes per step, timing
//                                        the reads and the writes apart
// Prints {"ok":..,"bytes":..,"seconds":..,"peak_ws_before":..,"peak_ws_after":..}
// (and "read_seconds", "write_seconds", "steps" with PIECE).
#include "platform/Inet.h"
#include "update/AutoUpdater.h"
#include "base/Handles.h"

#include "bench/BenchProbe.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Split {
    double readSeconds = 0;
    double writeSeconds = 0;
    unsigned long steps = 0;
};

// One InternetReadFile and one WriteFile per step, as DownloadToFile does,
// with the reads and the writes timed apart.
bool PieceSteps(plat::HINTERNET hUrl, HANDLE file, unsigned long piece, Split& split) {
    std::vector<char> buffer(piece);
    for (;;) {
        plat::DWORD read = 0;
        const double t0 = SecondsNow();
        const bool ok = plat::InternetReadFile(hUrl, buffer.data(), piece, &read);
        const double t1 = SecondsNow();
        split.readSeconds += t1 - t0;
        if (!ok) return false;
        if (read == 0) return true;
        DWORD written = 0;
        ::WriteFile(file, buffer.data(), read, &written, nullptr);
        split.writeSeconds += SecondsNow() - t1;
        ++split.steps;
        if (written != read) return false;
    }
}

// DownloadToFile's loop with another piece size: where the time goes.
bool PieceLoop(plat::HINTERNET hUrl, const char* path, unsigned long piece, Split& split) {
    // The system's calls here: <windows.h> owns these names as macros.
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = PieceSteps(hUrl, file, piece, split);
    ::CloseHandle(file);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    // --warm-up URL: one download before the measured one, so what WinINet
    // sets up once per process (connection, cache index) is in the baseline.
    // --flags HEX: open the URL with these WinINet flags instead of through
    // OpenUrl, to tell the library's share of the memory from the loop's.
    unsigned long flags = 0;
    if (argc >= 3 && std::strcmp(argv[1], "--flags") == 0) {
        flags = std::strtoul(argv[2], nullptr, 16);
        argv += 2;
        argc -= 2;
    }
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: tq_bench_download [--flags HEX] URL FILE [PIECE]\n");
        return 2;
    }
    const unsigned long piece = argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 0;
    CAutoUpdater updater;
    CString url(argv[1]);
    Split split;
    const unsigned long long peakBefore = PeakWorkingSet();
    const double started = SecondsNow();
    UrlHandle hUrl(flags ? plat::InternetOpenUrlA(updater.Session(), url, flags)
                         : updater.OpenUrl(url));
    bool ok = false;
    if (hUrl && piece) {
        ok = PieceLoop(hUrl.Get(), argv[2], piece, split);
    } else if (hUrl) {
        ok = updater.DownloadToFile(hUrl.Get(), argv[2]);
    }
    const double seconds = SecondsNow() - started;
    hUrl.Close();
    const unsigned long long peakAfter = PeakWorkingSet();

    unsigned long long bytes = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(argv[2], GetFileExInfoStandard, &data))
        bytes = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    std::printf("{\"ok\": %s, \"bytes\": %llu, \"seconds\": %.6f, \"peak_ws_before\": %llu, "
                "\"peak_ws_after\": %llu",
                ok ? "true" : "false", bytes, seconds, peakBefore, peakAfter);
    if (piece)
        std::printf(", \"piece\": %lu, \"steps\": %lu, \"read_seconds\": %.6f, "
                    "\"write_seconds\": %.6f",
                    piece, split.steps, split.readSeconds, split.writeSeconds);
    std::printf("}\n");
    return ok ? 0 : 1;
}
