// Micro-benchmarks of the link client's own work, natively, against a peer
// that answers at once (NullPeerOs.h): queueing a batch and walking it back.
// Under Wine a whole exchange costs some hundred microseconds of message
// round trip; these show how little of that is ours.
#include "micro/NullPeerOs.h"
#include "simlink/Link.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

struct OpenLink {
    micro::NullPeerOs os;
    simlink::Link link{os};
    bool opened = false;

    OpenLink()
    {
        std::int32_t result = simlink::IpcOk;
        opened = link.IpcOpen(0, result);
    }
};

// A shutdown run's opening exchange: three 2-byte reads, one message.
void OpeningReads(benchmark::State& state)
{
    OpenLink open;
    if (!open.opened) {
        state.SkipWithError("the link did not open");
        return;
    }
    std::uint32_t onGround = 0, engines = 0, feather = 0;
    std::int32_t result = simlink::IpcOk;
    for (auto _ : state) {
        open.link.IpcRead(simlink::kOffsetOnGround, 2, &onGround, result);
        open.link.IpcRead(simlink::kOffsetEngineCount, 2, &engines, result);
        open.link.IpcRead(simlink::kOffsetFeatherCapable, 2, &feather, result);
        benchmark::DoNotOptimize(open.link.IpcProcess(result));
    }
}
BENCHMARK(OpeningReads);

// A text line shown in the simulator: the 128-byte text and the value that
// shows it, written in one exchange.
void ShowMessage(benchmark::State& state)
{
    OpenLink open;
    if (!open.opened) {
        state.SkipWithError("the link did not open");
        return;
    }
    char text[simlink::kMessageTextSize] = "Shutdown:  Battery Master Off";
    const std::uint16_t show = simlink::kMessageShow;
    std::int32_t result = simlink::IpcOk;
    for (auto _ : state) {
        open.link.IpcWrite(simlink::kOffsetMessageText, sizeof text, text, result);
        open.link.IpcWrite(simlink::kOffsetMessageValue, 2, &show, result);
        benchmark::DoNotOptimize(open.link.IpcProcess(result));
    }
}
BENCHMARK(ShowMessage);

// The largest batch there is: the block filled with 1-byte reads, each
// delivered to its own buffer. Reported per record.
void FullBlockOfReads(benchmark::State& state)
{
    OpenLink open;
    if (!open.opened) {
        state.SkipWithError("the link did not open");
        return;
    }
    static std::uint8_t values[simlink::kMaxPendingReads];
    std::int32_t result = simlink::IpcOk;
    std::int64_t records = 0;
    for (auto _ : state) {
        std::uint32_t queued = 0;
        while (open.link.IpcRead(0x0100 + queued, 1, &values[queued], result))
            ++queued;
        benchmark::DoNotOptimize(open.link.IpcProcess(result));
        records += queued;
    }
    state.SetItemsProcessed(records);
}
BENCHMARK(FullBlockOfReads);

} // namespace

BENCHMARK_MAIN();
