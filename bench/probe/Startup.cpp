// Start-up: from CreateProcess to a window on the screen that answers.
#include "probe/Figures.h"
#include "probe/Launch.h"

#include "common/Clock.h"
#include "common/Stats.h"

#include <cstdio>
#include <vector>

namespace probe {

namespace {

using Preparer = std::unique_ptr<Launched> (*)();

// Seconds to the visible window; negative when it never came.
double TimeToWindow(Preparer prepare)
{
    // The copy into the run folder is made before the clock starts.
    std::unique_ptr<Launched> launched = prepare();
    if (!launched)
        return -1;
    const double begin = bench::Seconds();
    if (!launched->Start() || !launched->WaitUntilReady())
        return -1;
    const double shown = bench::Seconds() - begin;
    launched->program.Stop();
    return shown;
}

} // namespace

int Startup(int pairs)
{
    // One start of each first: the first start in a prefix loads and maps
    // what every later one finds in the cache.
    if (TimeToWindow(PrepareTollivane) < 0 || TimeToWindow(PrepareBareWindow) < 0) {
        std::fprintf(stderr, "bench_probe: a program did not show its window\n");
        return 1;
    }
    std::vector<double> tollivane;
    std::vector<double> bare;
    for (int pair = 0; pair < pairs; ++pair) {
        // ABBA: whichever starts second may find the system a little warmer.
        const bool tollivaneFirst = pair % 2 == 0;
        const double first = TimeToWindow(tollivaneFirst ? PrepareTollivane : PrepareBareWindow);
        const double second = TimeToWindow(tollivaneFirst ? PrepareBareWindow : PrepareTollivane);
        if (first < 0 || second < 0) {
            std::fprintf(stderr, "bench_probe: a program did not show its window\n");
            return 1;
        }
        tollivane.push_back(tollivaneFirst ? first : second);
        bare.push_back(tollivaneFirst ? second : first);
    }
    const bench::Summary t = bench::Summarise(tollivane);
    const bench::Summary b = bench::Summarise(bare);
    std::printf("# start-up: Tollivane median %.1f ms, bare window median %.1f ms, %d starts each\n",
                t.median * 1e3, b.median * 1e3, pairs);
    Result("startup_tollivane_ms", t.median * 1e3);
    Result("startup_bare_ms", b.median * 1e3);
    Result("startup_ratio", t.median / b.median);
    return 0;
}

} // namespace probe
