// What one exchange of the link costs beyond the message that carries it.
//
// Against a running stand-in, it times the run's opening exchange (three
// 2-byte reads queued with IpcRead and sent with IpcProcess) and, as the
// floor, a bare SendMessageTimeoutA of the same message with the same atom to
// the same window, with the block still holding those three records: the
// stand-in then does the very same work. Batches of the two alternate, first
// one and then the other leading, so that a drift in the machine's load falls
// on both alike.
//
//   bench_exchange [--samples N] [--batch N]
//
// Prints "RESULT exchange_ratio <median link / median bare>" and the medians.
#include "common/Clock.h"
#include "common/Program.h"
#include "common/Stats.h"
#include "harness/Harness.h"
#include "os/Os_win.h"
#include "simlink/Link.h"
#include "simlink/Protocol.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned kStartTimeoutMs = 30000;
constexpr int kWarmUp = 50;

struct Options {
    int samples = 2000;
    int batch = 50;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--samples") == 0 && hasValue)
            options.samples = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--batch") == 0 && hasValue)
            options.batch = std::atoi(argv[++i]);
        else
            return false;
    }
    return options.samples > 0 && options.batch > 0;
}

// The opening exchange of a shutdown run: on-ground flag, engine count,
// feathering, into zeroed 32-bit values.
struct OpeningReads {
    std::uint32_t onGround = 0;
    std::uint32_t engines = 0;
    std::uint32_t feather = 0;
};

bool LinkExchange(simlink::Link& link, OpeningReads& reads)
{
    reads = {};
    std::int32_t result = simlink::IpcOk;
    link.IpcRead(simlink::kOffsetOnGround, 2, &reads.onGround, result);
    link.IpcRead(simlink::kOffsetEngineCount, 2, &reads.engines, result);
    link.IpcRead(simlink::kOffsetFeatherCapable, 2, &reads.feather, result);
    return link.IpcProcess(result) && result == simlink::IpcOk;
}

bool BareExchange(const simlink::IpcLinkState& state)
{
    DWORD_PTR reply = 0;
    const auto atom = static_cast<WPARAM>(static_cast<INT_PTR>(state.atom));
    return ::SendMessageTimeoutA(static_cast<HWND>(state.simWindow), state.messageId, atom, 0,
                                 SMTO_BLOCK, simlink::kSendTimeoutMs, &reply) != 0 &&
           reply == simlink::kReplyDone;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_exchange [--samples N] [--batch N]\n");
        return 2;
    }

    // No journal: the floor should be the stand-in's bare handling, and a
    // journal line per record would pad both sides alike.
    bench::Program sim;
    if (!sim.Start(harness::ExecutableDirectory() + "\\TollivaneSim.exe",
                   "--scenario running-twin --lifetime 600") ||
        !bench::WaitUntil(
            [&] { return sim.WindowOfClass(simlink::kPrimaryWindowClass) != nullptr; },
            kStartTimeoutMs)) {
        std::fprintf(stderr, "bench_exchange: the stand-in did not come up\n");
        return 1;
    }

    // The stand-in repaints its panel inside every exchange, some
    // milliseconds of GDI that would bury the link's own cost; hidden, it
    // handles the message alone. It is still the same window.
    const HWND simWindow = sim.WindowOfClass(simlink::kPrimaryWindowClass);
    ShowWindowAsync(simWindow, SW_HIDE);
    if (!bench::WaitUntil([&] { return !IsWindowVisible(simWindow); }, kStartTimeoutMs)) {
        std::fprintf(stderr, "bench_exchange: the stand-in's window stayed visible\n");
        return 1;
    }

    os::Win32Os os;
    simlink::Link link(os);
    std::int32_t result = simlink::IpcOk;
    if (!link.IpcOpen(0, result)) {
        std::fprintf(stderr, "bench_exchange: IpcOpen failed with %d\n", static_cast<int>(result));
        return 1;
    }

    OpeningReads reads;
    if (!LinkExchange(link, reads) || reads.onGround != 1 || reads.engines != 2 ||
        reads.feather != 1) {
        std::fprintf(stderr, "bench_exchange: the opening reads came back wrong (%u %u %u)\n",
                     reads.onGround, reads.engines, reads.feather);
        return 1;
    }
    for (int i = 0; i < kWarmUp; ++i) {
        LinkExchange(link, reads);
        BareExchange(link.State());
    }

    std::vector<double> linkTimes;
    std::vector<double> bareTimes;
    linkTimes.reserve(static_cast<std::size_t>(options.samples));
    bareTimes.reserve(static_cast<std::size_t>(options.samples));
    int failures = 0;
    const auto linkBatch = [&] {
        for (int i = 0; i < options.batch; ++i) {
            const double start = bench::Seconds();
            const bool ok = LinkExchange(link, reads);
            linkTimes.push_back(bench::Seconds() - start);
            failures += ok ? 0 : 1;
        }
    };
    // The block still holds the three reads and the terminator exactly as
    // the last IpcProcess left them.
    const auto bareBatch = [&] {
        for (int i = 0; i < options.batch; ++i) {
            const double start = bench::Seconds();
            const bool ok = BareExchange(link.State());
            bareTimes.push_back(bench::Seconds() - start);
            failures += ok ? 0 : 1;
        }
    };
    for (int round = 0; static_cast<int>(linkTimes.size()) < options.samples; ++round) {
        if (round % 2 == 0) {
            linkBatch();
            bareBatch();
        } else {
            bareBatch();
            linkBatch();
        }
    }
    link.IpcClose();
    sim.Stop();

    if (failures != 0) {
        std::fprintf(stderr, "bench_exchange: %d exchanges failed\n", failures);
        return 1;
    }
    const bench::Summary withLink = bench::Summarise(linkTimes);
    const bench::Summary bare = bench::Summarise(bareTimes);
    std::printf(
        "# exchange: IpcRead x3 + IpcProcess median %.1f us (min %.1f), bare send median %.1f us "
        "(min %.1f), %zu samples each\n",
        withLink.median * 1e6, withLink.min * 1e6, bare.median * 1e6, bare.min * 1e6,
        linkTimes.size());
    std::printf("RESULT exchange_link_us %.2f\n", withLink.median * 1e6);
    std::printf("RESULT exchange_bare_us %.2f\n", bare.median * 1e6);
    std::printf("RESULT exchange_ratio %.4f\n", withLink.median / bare.median);
    return 0;
}
