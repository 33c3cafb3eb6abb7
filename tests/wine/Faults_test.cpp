// Tollivane.exe against a simulator that misbehaves: the stand-in's fault
// modes, one per test. Each test states what the program must do, and ends by
// checking that it still answers and has lost nothing (ExpectUnharmed).
#include "expect/SimVariables.h"
#include "expect/Wire.h"
#include "os/Os_win.h"
#include "simlink/Link.h"
#include "wine/FaultChecks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace wine::faults {
namespace {

using namespace simlink;

TEST(Faults, APeerAnsweringZeroEndsTheRunSilentlyAndTheLinkComesBackWithAHealthyPeer)
{
    std::optional<StandInProcess> sim(std::in_place,
                                      "--scenario cold-and-dark --fault answer-zero:2");
    ASSERT_TRUE(sim->Started());
    ProductProcess app(kSettings);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(WaitForHandshakes(*sim, 1));

    // The run's opening exchange is answered 0: the run ends there.
    ExpectSilentFailure(app, *sim, 10000);
    EXPECT_EQ(sim->Journal().back().offset, expect::wire::kOffsetSimulatorId)
        << "nothing carried out after the handshake";

    // The ticks reopen the link and the peer refuses every handshake, so it
    // stays down: for two ticks nothing shows, then a click finds no link.
    EXPECT_FALSE(WaitFor([&] { return app.ShownMessageBox() != nullptr || !app.Running(); }, 2500));
    ExpectNotConnectedBox(app);

    // The same ticks find a simulator that answers again, with no help.
    sim.emplace("--scenario cold-and-dark");
    ASSERT_TRUE(sim->Started());
    ASSERT_TRUE(WaitForHandshakes(*sim, 1)) << "the link was not reopened";
    ExpectRunCompletes(app, *sim);
    ExpectUnharmed(app);
}

TEST(Faults, APeerWindowDestroyedMidRunLetsTheRunFinishThenTheNextRunReconnects)
{
    // No engines, so the run reads only the 24 rows not tied to one; the
    // parking brake released, so the first item is switched and announced.
    ScenarioFile scenario("base cold-and-dark\n"
                          "0x0AEC 2 0\n"
                          "0x0BC8 2 0\n");
    // The window goes right after the lights are read: handshake (1),
    // opening reads (2), battery on (3), brake read, write and announcement
    // (4-6), the reads of rows 2 to 22 (7-27), the lights (28).
    constexpr int kLightsRead = 28;
    std::optional<StandInProcess> sim(std::in_place,
                                      scenario.Argument() +
                                          " --fault destroy-after:" + std::to_string(kLightsRead));
    ASSERT_TRUE(sim->Started());
    const HWND simWindow = sim->Window();
    ProductProcess app(kSettings);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(WaitForHandshakes(*sim, 1));

    ASSERT_TRUE(app.ClickStart());
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(simWindow); }, 30000));
    const Clock::time_point destroyed = Clock::now();
    ASSERT_TRUE(app.WaitUntilHandled(60000));
    const long long rest = MsSince(destroyed);

    // Two exchanges were left, the battery's read and "Complete", and the
    // run went through both, each giving up after its retries.
    EXPECT_GE(rest, 2 * kGiveUpLeastMs) << "the run stopped early";
    EXPECT_LT(rest, 30000);
    const std::vector<JournalLine> journal = sim->Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back().exchange, kLightsRead);
    EXPECT_EQ(journal.back().offset, 0x0D0Cu);
    EXPECT_EQ(SimMessages(*sim), std::vector<std::string>{"Shutdown:  Parking Brake Set"});
    EXPECT_EQ(app.ShownMessageBox(), nullptr);
    EXPECT_TRUE(app.Responsive(5000));

    // The link is still taken to be up, so the next run tries it: its
    // opening exchange gives up in about 4 s, silently, and the link is down.
    const long long busy = ExpectSilentFailure(app, *sim, 30000);
    EXPECT_GE(busy, kGiveUpLeastMs);

    // Once a simulator is back, a tick reopens the link and runs work again.
    sim.emplace("--scenario cold-and-dark");
    ASSERT_TRUE(sim->Started());
    ASSERT_TRUE(WaitForHandshakes(*sim, 1)) << "the link was not reopened";
    ExpectRunCompletes(app, *sim);
    EXPECT_EQ(SimMessages(*sim),
              (std::vector<std::string>{"Shutdown:  Battery Master Off", "Shutdown:  Complete"}));
    ExpectUnharmed(app);
}

TEST(Faults, ASimulatorRestartedBetweenRunsCostsOneSilentClickThenRunsWork)
{
    std::optional<StandInProcess> sim(std::in_place, "--scenario cold-and-dark");
    ASSERT_TRUE(sim->Started());
    const HWND first = sim->Window();
    ProductProcess app(kSettings);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(WaitForHandshakes(*sim, 1));
    ExpectRunCompletes(app, *sim);

    sim.emplace("--scenario cold-and-dark");
    ASSERT_TRUE(sim->Started());
    // Window handles carry a use count, so the new window never has the old
    // one's handle; if it had, the old link would simply reach it.
    ASSERT_NE(sim->Window(), first);

    // Nothing tests the link while it is taken to be up: the first click
    // after the restart is where its loss shows.
    const long long busy = ExpectSilentFailure(app, *sim, 30000);
    EXPECT_GE(busy, kGiveUpLeastMs);

    ASSERT_TRUE(WaitForHandshakes(*sim, 1)) << "the link was not reopened";
    EXPECT_EQ(sim->Journal().front().offset, expect::wire::kOffsetVersion)
        << "the old link reached the new simulator";
    ExpectRunCompletes(app, *sim);
    ExpectUnharmed(app);
}

TEST(Faults, ACorruptReplyFailsTheExchangeAndEveryTickRetriesTheLink)
{
    for (const char* fault : {"corrupt-type:2", "corrupt-size:2"}) {
        SCOPED_TRACE(fault);
        StandInProcess sim(std::string("--scenario running-single --fault ") + fault);
        ASSERT_TRUE(sim.Started());
        ProductProcess app(kSettings);
        ASSERT_TRUE(app.Started());
        ASSERT_TRUE(WaitForHandshakes(sim, 1));

        // The peer carries out the opening reads and then spoils the block:
        // the program takes none of it, so the run goes no further.
        ExpectSilentFailure(app, sim, 10000);
        bool switched = false;
        for (const JournalLine& line : sim.Journal())
            switched = switched || line.kind == 'W';
        EXPECT_FALSE(switched) << "the run went on with a reply it could not read";

        // Corrupt handshakes are carried out, so the journal shows every
        // tick reopening the link, and a click shows that none succeeded.
        EXPECT_TRUE(WaitForHandshakes(sim, 3));
        ExpectNotConnectedBox(app);
        ExpectUnharmed(app);
    }
}

// The same replies met by the link inside this process, where the memory
// around the callers' buffers can be looked at.
TEST(Faults, ACorruptReplyTouchesNoMemoryOutsideTheBuffers)
{
    for (const char* fault : {"corrupt-type:2", "corrupt-size:2"}) {
        SCOPED_TRACE(fault);
        StandInProcess sim(std::string("--scenario running-twin --fault ") + fault);
        ASSERT_TRUE(sim.Started());
        os::Win32Os os;
        Link link(os);
        std::int32_t result = -1;
        ASSERT_TRUE(link.IpcOpen(0, result)) << result;

        // Each buffer sits inside a guard; a walk that followed the spoiled
        // record would write into the buffers or beyond them.
        constexpr std::uint8_t kPattern = 0xA5;
        constexpr std::size_t kGuard = 32;
        std::array<std::array<std::uint8_t, kGuard + expect::kMessageTextSize + kGuard>, 3> areas{};
        for (auto& area : areas)
            area.fill(kPattern);
        ASSERT_TRUE(link.IpcRead(expect::kOnGround, 2, areas[0].data() + kGuard, result));
        ASSERT_TRUE(link.IpcRead(kOffsetEngineCount, 2, areas[1].data() + kGuard, result));
        ASSERT_TRUE(link.IpcRead(expect::kMessageText, expect::kMessageTextSize,
                                 areas[2].data() + kGuard, result));
        EXPECT_FALSE(link.IpcProcess(result));
        EXPECT_EQ(result, IpcBadReplyValue);
        for (const auto& area : areas)
            for (std::size_t i = 0; i < area.size(); ++i)
                ASSERT_EQ(area[i], kPattern) << "byte " << i << " was written";

        // The batch did reach the peer; only its reply was refused, and the
        // link is ready for the next one.
        ASSERT_TRUE(sim.WaitForJournalLines(5, 5000));
        EXPECT_EQ(sim.Journal()[2].offset, expect::kOnGround);
        EXPECT_TRUE(link.IsOpen());
        EXPECT_EQ(link.State().writePosition, link.State().viewStart) << "the batch stayed queued";
        link.IpcClose();
        EXPECT_EQ(::GlobalFindAtomA(expect::wire::SectionName(::GetCurrentProcessId()).c_str()), 0);
    }
}

TEST(Faults, OurSectionNameTakenKeepsTheLinkDownUntilItIsFreed)
{
    StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    ProductProcess app(kSettings);
    ASSERT_TRUE(app.Started());

    // Taken before the first tick, as a crashed earlier instance with the
    // same process id would have left it, and filled with what a hostile
    // process might hope the program takes for a request block.
    const std::string name = app.SectionName();
    const HANDLE squatter = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                 expect::wire::kBlockSize, name.c_str());
    ASSERT_NE(squatter, nullptr);
    ASSERT_NE(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS))
        << "the first tick came too soon";
    auto* block = static_cast<std::uint8_t*>(::MapViewOfFile(squatter, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(block, nullptr);
    for (std::uint32_t i = 0; i < expect::wire::kBlockSize; ++i)
        block[i] = static_cast<std::uint8_t>(i * 7 + 1);

    // Every tick's open fails at the section, before anything is sent.
    EXPECT_FALSE(WaitForHandshakes(sim, 1, 2500)) << "the program used a section it did not create";
    ExpectNotConnectedBox(app);
    bool untouched = true;
    for (std::uint32_t i = 0; i < expect::wire::kBlockSize; ++i)
        untouched = untouched && block[i] == static_cast<std::uint8_t>(i * 7 + 1);
    EXPECT_TRUE(untouched) << "the program wrote into a section it did not create";

    ::UnmapViewOfFile(block);
    ::CloseHandle(squatter);
    ASSERT_TRUE(WaitForHandshakes(sim, 1)) << "the link did not come up once the name was free";
    ExpectRunCompletes(app, sim);
    ExpectUnharmed(app);
}

TEST(Faults, AHandshakeThatFailsItsChecksLeavesNoLinkUnderEitherWindowClass)
{
    struct Case {
        const char* arguments;
        std::uint32_t version, id; // what the stand-in then answers
    };
    const Case cases[] = {
        {"--fault version-low", 0x19980004, 0xFADE0006},
        {"--fault version-zero", 0, 0},
        {"--fault bad-marker", 0x19980005, 0xDEAD0006},
        {"--class FS98MAIN --fault version-low", 0x19980004, 0xFADE0006},
        {"--class FS98MAIN --fault version-zero", 0, 0},
        {"--class FS98MAIN --fault bad-marker", 0x19980005, 0xDEAD0006},
    };
    // One program throughout: it meets one simulator after another, as when
    // the user starts the wrong one and then the right one.
    ProductProcess app(kSettings);
    ASSERT_TRUE(app.Started());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        StandInProcess sim(std::string("--scenario cold-and-dark ") + c.arguments);
        ASSERT_TRUE(sim.Started());
        ASSERT_TRUE(WaitForHandshakes(sim, 1));
        const std::vector<JournalLine> journal = sim.Journal();
        ASSERT_GE(journal.size(), 2u);
        EXPECT_EQ(journal[0].Number(), c.version);
        EXPECT_EQ(journal[1].Number(), c.id);

        // The click waits for the tick's open to finish, then finds no link.
        ExpectNotConnectedBox(app);
        for (const JournalLine& line : sim.Journal())
            EXPECT_NE(line.offset, expect::kOnGround) << "a run was started on a failed handshake";
        EXPECT_TRUE(app.Responsive(5000));
    }

    StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(WaitForHandshakes(sim, 1));
    ExpectRunCompletes(app, sim);
    ExpectUnharmed(app);
}

} // namespace
} // namespace wine::faults
