// Start-up: from CreateProcess to a window on the screen that answers.
#include "probe/Figures.h"
#include "probe/Launch.h"

#include "common/Clock.h"
#include "common/Stats.h"

#include <cstdio>
#include <iterator>
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
    const Preparer programs[] = {PrepareTollivane, PrepareBareWindow, PrepareStyledBareWindow};
    constexpr std::size_t kPrograms = std::size(programs);
    // One start of each first: the first start in a prefix loads and maps
    // what every later one finds in the cache.
    for (Preparer prepare : programs) {
        if (TimeToWindow(prepare) < 0) {
            std::fprintf(stderr, "bench_probe: a program did not show its window\n");
            return 1;
        }
    }
    std::vector<double> times[kPrograms];
    for (int round = 0; round < pairs; ++round) {
        // Each round in another order: whichever starts later may find the
        // system a little warmer.
        for (std::size_t k = 0; k < kPrograms; ++k) {
            const std::size_t which = (static_cast<std::size_t>(round) + k) % kPrograms;
            const double shown = TimeToWindow(programs[which]);
            if (shown < 0) {
                std::fprintf(stderr, "bench_probe: a program did not show its window\n");
                return 1;
            }
            times[which].push_back(shown);
        }
    }
    const bench::Summary t = bench::Summarise(times[0]);
    const bench::Summary b = bench::Summarise(times[1]);
    const bench::Summary styled = bench::Summarise(times[2]);
    std::printf("# start-up: Tollivane median %.1f ms, bare window median %.1f ms, "
                "bare window with the program's controls and manifest %.1f ms, %d starts each\n",
                t.median * 1e3, b.median * 1e3, styled.median * 1e3, pairs);
    Result("startup_tollivane_ms", t.median * 1e3);
    Result("startup_bare_ms", b.median * 1e3);
    Result("startup_ratio", t.median / b.median);
    Result("startup_styled_ratio", styled.median / b.median);
    Result("startup_over_styled_ratio", t.median / styled.median);
    return 0;
}

} // namespace probe
