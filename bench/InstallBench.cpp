// Times the installation's write: the running image read whole and written
// to the install target with one call each (OwnImage::Read, WriteImage), the
// code the program runs when it installs itself.
//   tq_bench_install IMAGE TARGET REPEATS
// Prints the read and write times of every repeat and the peak working set
// before the first read and after the last write.
#include "install/OwnImage.h"
#include "platform/Kernel.h"

#include "bench/BenchProbe.h"

#include <cstdlib>
#include <vector>

namespace {

void PrintList(const char* name, const std::vector<double>& values) {
    std::printf("\"%s\": [", name);
    for (std::size_t i = 0; i < values.size(); ++i) std::printf("%s%.6f", i ? ", " : "", values[i]);
    std::printf("], ");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tq_bench_install IMAGE TARGET REPEATS\n");
        return 2;
    }
    const int repeats = std::atoi(argv[3]);
    if (repeats < 1) return 2;
    const unsigned long long peakBefore = PeakWorkingSet();
    std::vector<double> reads, writes;
    unsigned long size = 0;
    bool ok = true;
    for (int i = 0; i < repeats && ok; ++i) {
        const double t0 = SecondsNow();
        OwnImage image = OwnImage::Read(argv[1]);
        plat::DeleteFileA(argv[2]);  // the program writes a new file every time
        const double t1 = SecondsNow();
        ok = image.IsComplete() && WriteImage(argv[2], image) == WriteOutcome::Written;
        writes.push_back(SecondsNow() - t1);
        reads.push_back(t1 - t0);
        size = image.Size();
    }
    std::printf("{");
    PrintList("reads", reads);
    PrintList("writes", writes);
    std::printf("\"ok\": %s, \"bytes\": %lu, \"peak_ws_before\": %llu, \"peak_ws_after\": %llu}\n",
                ok ? "true" : "false", size, peakBefore, PeakWorkingSet());
    return ok ? 0 : 1;
}
