// Idle cost: the CPU a process spends over a stretch of one-second ticks,
// Tollivane's against the bare window's, both running at the same time.
#include "probe/Figures.h"
#include "probe/Launch.h"

#include "common/Clock.h"
#include "common/Journal.h"

#include <cstdio>
#include <vector>

namespace probe {

namespace {

// Start-up work, the first tick and a connection's handshake are over by
// then; what follows is the steady state a user leaves running.
constexpr DWORD kSettleMs = 3000;
constexpr unsigned kLinkTimeoutMs = 30000;

// Waits `ms` on the processes themselves, so that one of them ending early
// spoils the sample instead of going unnoticed; true when none ended.
bool AllRunFor(const std::vector<HANDLE>& processes, DWORD ms)
{
    return WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), FALSE,
                                  ms) == WAIT_TIMEOUT;
}

} // namespace

int Idle(double seconds, bool withSimulator, int instances)
{
    const char* figure = withSimulator ? "idle_connected" : "idle_alone";
    const bench::TempJournal tempJournal;
    const std::string& journal = tempJournal.Path();
    std::unique_ptr<Launched> sim;
    if (withSimulator && !(sim = StartSimulator("running-twin", journal)))
        return 1;

    std::vector<std::unique_ptr<Launched>> tollivanes;
    std::vector<std::unique_ptr<Launched>> bares;
    std::vector<HANDLE> processes;
    for (int i = 0; i < instances; ++i) {
        tollivanes.push_back(StartTollivane());
        bares.push_back(StartBareWindow());
        if (!tollivanes.back() || !bares.back()) {
            std::fprintf(stderr, "bench_probe: could not start the programs\n");
            return 1;
        }
        processes.push_back(tollivanes.back()->program.Handle());
        processes.push_back(bares.back()->program.Handle());
    }
    for (std::size_t i = 0; i < tollivanes.size(); ++i) {
        if (!tollivanes[i]->WaitForVisibleWindow() || !bares[i]->WaitForVisibleWindow()) {
            std::fprintf(stderr, "bench_probe: a program did not show its window\n");
            return 1;
        }
    }
    if (withSimulator &&
        !bench::WaitUntil([&] { return HandshakesSeen(journal) >= instances; }, kLinkTimeoutMs)) {
        std::fprintf(stderr, "bench_probe: not every Tollivane connected\n");
        return 1;
    }
    if (!AllRunFor(processes, kSettleMs)) {
        std::fprintf(stderr, "bench_probe: a program ended while settling\n");
        return 1;
    }

    std::vector<double> before;
    for (std::size_t i = 0; i < tollivanes.size(); ++i) {
        before.push_back(tollivanes[i]->program.Host().CpuSeconds());
        before.push_back(bares[i]->program.Host().CpuSeconds());
    }
    const double begin = bench::Seconds();
    if (!AllRunFor(processes, static_cast<DWORD>(seconds * 1000))) {
        std::fprintf(stderr, "bench_probe: a program ended while idling\n");
        return 1;
    }
    std::vector<double> after;
    for (std::size_t i = 0; i < tollivanes.size(); ++i) {
        after.push_back(tollivanes[i]->program.Host().CpuSeconds());
        after.push_back(bares[i]->program.Host().CpuSeconds());
    }
    const double elapsed = bench::Seconds() - begin;

    char key[64];
    for (std::size_t i = 0; i < tollivanes.size(); ++i) {
        const double tollivane = after[2 * i] - before[2 * i];
        const double bare = after[2 * i + 1] - before[2 * i + 1];
        if (before[2 * i] < 0 || before[2 * i + 1] < 0 || bare <= 0) {
            std::fprintf(stderr, "bench_probe: no CPU times (%s)\n",
                         tollivanes[i]->program.Host().CpuSource());
            return 1;
        }
        std::printf("# %s: Tollivane %.2f ms, bare window %.2f ms of CPU over %.1f s (%s)\n",
                    figure, tollivane * 1e3, bare * 1e3, elapsed,
                    tollivanes[i]->program.Host().CpuSource());
        std::snprintf(key, sizeof key, "%s_ratio", figure);
        Result(key, tollivane / bare);
        std::snprintf(key, sizeof key, "%s_core_percent", figure);
        Result(key, tollivane / elapsed * 100);
        std::snprintf(key, sizeof key, "%s_bare_core_percent", figure);
        Result(key, bare / elapsed * 100);
        // Before any run: what the window alone holds, for comparison with
        // the peak after a run.
        const auto tollivanePeak =
            static_cast<double>(tollivanes[i]->program.Host().PeakWorkingSet());
        const auto barePeak = static_cast<double>(bares[i]->program.Host().PeakWorkingSet());
        if (barePeak > 0) {
            std::snprintf(key, sizeof key, "%s_memory_ratio", figure);
            Result(key, tollivanePeak / barePeak);
        }
    }
    return 0;
}

} // namespace probe
