// Reconnect: Tollivane already running without a simulator, how long from
// the simulator's window appearing to the link being up, as the stand-in's
// journal shows it (the handshake's read of the version variable).
#include "probe/Figures.h"
#include "probe/Launch.h"

#include "common/Clock.h"
#include "common/Journal.h"

#include <cstdio>

namespace probe {

namespace {

constexpr unsigned kLinkTimeoutMs = 10000;
constexpr DWORD kTickMs = 1000;

} // namespace

int Reconnect(int samples)
{
    for (int sample = 0; sample < samples; ++sample) {
        const bench::TempJournal tempJournal;
        const std::unique_ptr<Launched> tollivane = StartTollivane();
        if (!tollivane || !tollivane->WaitForVisibleWindow()) {
            std::fprintf(stderr, "bench_probe: Tollivane did not show its window\n");
            return 1;
        }
        // The timer starts as the window is shown; spreading the simulator's
        // arrival over one tick samples every phase between the two.
        const DWORD phase = kTickMs * static_cast<DWORD>(sample) / static_cast<DWORD>(samples);
        if (WaitForSingleObject(tollivane->program.Handle(), phase) != WAIT_TIMEOUT) {
            std::fprintf(stderr, "bench_probe: Tollivane ended\n");
            return 1;
        }
        const std::unique_ptr<Launched> sim = StartSimulator("running-twin", tempJournal.Path());
        if (!sim)
            return 1;
        const double up = bench::Seconds();
        if (!bench::WaitUntil([&] { return HandshakesSeen(tempJournal.Path()) >= 1; },
                              kLinkTimeoutMs, 2)) {
            std::fprintf(stderr, "bench_probe: Tollivane did not connect\n");
            return 1;
        }
        const double linked = bench::Seconds() - up;
        std::printf("# reconnect: link up %.0f ms after the simulator's window, phase %lu ms\n",
                    linked * 1e3, static_cast<unsigned long>(phase));
        Result("reconnect_seconds", linked);
        // Tollivane first: it must not find the stand-in gone and start over.
        tollivane->program.Stop();
    }
    return 0;
}

} // namespace probe
