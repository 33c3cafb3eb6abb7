// Hours of the program's life in a minute: thousands of opens and closes of
// the link, and a thousand exchanges, against the stand-in, with the process's
// handles, mapped views, committed memory and the global atom table counted
// before and after. The counts can be raised by hand:
//
//   TOLLIVANE_SOAK_CYCLES=100000 TOLLIVANE_SOAK_EXCHANGES=50000 wine soak_test.exe
#include "expect/Wire.h"
#include "os/Os_win.h"
#include "simlink/Link.h"
#include "wine/StandInProcess.h"

#include <gtest/gtest.h>

// windows.h first: psapi.h builds on it.
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace simlink;

// The link pauses 100 ms after every handshake to give a slow simulator time;
// the stand-in answers before the send returns, so the soak skips the pauses
// and keeps every other call real.
class NoPauseOs : public os::Win32Os {
  public:
    void Sleep(std::uint32_t) override {}
};

unsigned Count(const char* variable, unsigned fallback)
{
    const char* text = std::getenv(variable);
    if (text == nullptr || *text == '\0')
        return fallback;
    const unsigned long value = std::strtoul(text, nullptr, 10);
    return value > 0 ? static_cast<unsigned>(value) : fallback;
}

// Wine answers GetProcessHandleCount with 0, so there the handles are
// counted one by one. Its table hands out the lowest free slot, so leaked
// handles pile up against the live ones, and a long run of free slots means
// there are no more.
unsigned long HandleCount()
{
    DWORD count = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count != 0)
        return count;
    constexpr unsigned kFreeRunToEnd = 1024;
    unsigned long live = 0;
    unsigned freeRun = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; freeRun < kFreeRunToEnd; value += 4) {
        const bool valid = ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
        live += valid ? 1 : 0;
        freeRun = valid ? 0 : freeRun + 1;
    }
    return live;
}

// Every view left mapped is a region of its own.
unsigned MappedViews()
{
    unsigned views = 0;
    MEMORY_BASIC_INFORMATION region{};
    const char* at = nullptr;
    while (::VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_MAPPED)
            ++views;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return views;
}

// Wine leaves PrivateUsage at 0 and reports the same figure as PagefileUsage.
unsigned long long CommittedBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(),
                                reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof counters))
        return 0;
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

// String atoms live in the global table, whoever added them. It holds at
// most 16,384 of them, for the whole session, and outlives every process.
unsigned GlobalAtoms()
{
    unsigned live = 0;
    char name[256];
    for (unsigned atom = 0xC000; atom <= 0xFFFF; ++atom)
        live += ::GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name) != 0 ? 1 : 0;
    return live;
}

struct Usage {
    unsigned long handles;
    unsigned views;
    unsigned long long committed;
    unsigned atoms;
};

Usage Measure()
{
    return {HandleCount(), MappedViews(), CommittedBytes(), GlobalAtoms()};
}

void Print(const char* what, unsigned count, const Usage& before, const Usage& after,
           double seconds)
{
    std::printf("[ figures  ] %u %s in %.1f s\n"
                "[ figures  ]   handles        %lu -> %lu\n"
                "[ figures  ]   mapped views   %u -> %u\n"
                "[ figures  ]   committed      %llu KiB -> %llu KiB\n"
                "[ figures  ]   global atoms   %u -> %u\n",
                count, what, seconds, before.handles, after.handles, before.views, after.views,
                before.committed / 1024, after.committed / 1024, before.atoms, after.atoms);
    std::fflush(stdout);
}

// Generous: the figures move by a few units and kilobytes from run to run,
// while a leak in a loop of thousands moves them by thousands.
void ExpectBounded(const Usage& before, const Usage& after)
{
    EXPECT_LE(after.handles, before.handles + 8);
    EXPECT_LE(after.views, before.views + 2);
    EXPECT_LE(after.committed, before.committed + 2 * 1024 * 1024);
    EXPECT_LE(after.atoms, before.atoms + 8);
}

// The stand-in repaints its whole panel inside every exchange, which under
// Xvfb costs several times the exchange itself; minimised, it paints nothing.
void KeepOutOfSight(const wine::StandInProcess& sim)
{
    ::ShowWindow(sim.Window(), SW_SHOWMINNOACTIVE);
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(Soak, OpeningAndClosingTheLinkAgainAndAgainLeaksNothing)
{
    const unsigned cycles = Count("TOLLIVANE_SOAK_CYCLES", 10000);
    wine::StandInProcess sim("--scenario cold-and-dark --lifetime 3600");
    ASSERT_TRUE(sim.Started());
    KeepOutOfSight(sim);
    NoPauseOs os;
    Link link(os);
    const std::string name = expect::wire::SectionName(::GetCurrentProcessId());

    // Every fiftieth open finds its name taken and fails after the atom: the
    // failure path under the same count.
    auto cycle = [&](unsigned i) {
        const bool taken = i % 50 == 49;
        HANDLE squatter = nullptr;
        if (taken)
            squatter = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            expect::wire::kBlockSize, name.c_str());
        std::int32_t result = -1;
        const bool opened = link.IpcOpen(0, result);
        link.IpcClose();
        if (squatter != nullptr)
            ::CloseHandle(squatter);
        return opened == !taken && result == (taken ? IpcNoMapping : IpcOk) &&
               ::GlobalFindAtomA(name.c_str()) == 0;
    };

    for (unsigned i = 0; i < 100; ++i)
        ASSERT_TRUE(cycle(i)) << "warm-up cycle " << i;
    const Usage before = Measure();
    const auto start = std::chrono::steady_clock::now();
    unsigned failed = 0;
    unsigned firstFailed = 0;
    for (unsigned i = 0; i < cycles; ++i) {
        if (!cycle(i) && failed++ == 0)
            firstFailed = i;
    }
    const double seconds = SecondsSince(start);
    const Usage after = Measure();
    Print("open/close cycles", cycles, before, after, seconds);

    EXPECT_EQ(failed, 0u) << "first at cycle " << firstFailed
                          << " (an open that went wrong, or our atom left after a close)";
    ExpectBounded(before, after);
}

TEST(Soak, AThousandExchangesOnOneLinkLeakNothingAndLoseNothing)
{
    const unsigned exchanges = Count("TOLLIVANE_SOAK_EXCHANGES", 1000);
    wine::StandInProcess sim("--scenario running-single --lifetime 3600");
    ASSERT_TRUE(sim.Started());
    KeepOutOfSight(sim);
    NoPauseOs os;
    Link link(os);
    std::int32_t result = -1;
    ASSERT_TRUE(link.IpcOpen(0, result)) << result;

    // Each exchange writes a value and reads it back in the same batch, with
    // a constant beside it: a batch lost or a reply misdelivered shows at once.
    auto exchange = [&](unsigned i) {
        const std::uint16_t written = static_cast<std::uint16_t>(i * 2654435761u >> 17);
        std::uint16_t readBack = 0;
        std::uint32_t version = 0;
        std::int32_t r = -1;
        return link.IpcWrite(0x0BC0, 2, &written, r) && link.IpcRead(0x0BC0, 2, &readBack, r) &&
               link.IpcRead(expect::wire::kOffsetVersion, 4, &version, r) && link.IpcProcess(r) &&
               readBack == written && version == 0x19980005;
    };

    for (unsigned i = 0; i < 50; ++i)
        ASSERT_TRUE(exchange(i)) << "warm-up exchange " << i;
    const Usage before = Measure();
    const auto start = std::chrono::steady_clock::now();
    unsigned failed = 0;
    for (unsigned i = 0; i < exchanges; ++i)
        failed += exchange(i) ? 0 : 1;
    const double seconds = SecondsSince(start);
    const Usage after = Measure();
    Print("exchanges", exchanges, before, after, seconds);
    std::printf("[ figures  ]   %.0f us per exchange\n", seconds * 1e6 / exchanges);

    EXPECT_EQ(failed, 0u);
    EXPECT_TRUE(link.IsOpen());
    ExpectBounded(before, after);
    link.IpcClose();
    EXPECT_EQ(::GlobalFindAtomA(expect::wire::SectionName(::GetCurrentProcessId()).c_str()), 0);
}

} // namespace
