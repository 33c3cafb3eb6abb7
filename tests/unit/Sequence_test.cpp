#include "ShutdownRig.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace shutdown::testing {
namespace {

using Lines = std::vector<std::string>;
using Labels = std::set<std::string>;

// Every row the aircraft has, less the propellers when they cannot feather.
Labels EveryRow(int engines, bool featherCapable)
{
    Labels labels;
    for (const expect::Row& row : expect::kChecklist) {
        const std::string label = row.label;
        if (row.engine > engines || (!featherCapable && label.find("Feathered") != label.npos))
            continue;
        labels.insert(label);
    }
    return labels;
}

TEST(ShutdownRun, ColdAndDarkOnlySwitchesTheBatteryBackOff)
{
    Rig rig;
    rig.sequence.cmdShutdown_Click();

    EXPECT_EQ(rig.Exchanges(), ExpectedRun(1, {"Battery Master Off"}));
    EXPECT_EQ(rig.os.sleeps, (std::vector<std::uint32_t>{1000}));
    EXPECT_EQ(rig.os.soundsPlayed, Lines{kSoundPath});
    EXPECT_EQ(rig.os.peer.Get(expect::kBatteryMaster, 1), 0u);
    EXPECT_TRUE(rig.os.messageBoxes.empty());
    EXPECT_TRUE(rig.connection.Connected());
}

// The engine filter against the count as the simulator reports it: 65535
// must count as many engines, not as -1. Under FS2002's interlock, whatever
// the engines, the autopilot's glideslope and approach holds end off.
TEST(ShutdownRun, ReadsOnlyTheRowsOfEnginesTheAircraftHas)
{
    for (int engines : {0, 1, 2, 4, 0xFFFF}) {
        SCOPED_TRACE(engines);
        Rig rig;
        rig.os.peer.holdsInterlocked = true;
        rig.AllOn();
        rig.Aircraft(static_cast<std::uint32_t>(engines), 1);
        rig.sequence.cmdShutdown_Click();

        const Labels performed = EveryRow(engines, true);
        EXPECT_EQ(rig.Exchanges(), ExpectedRun(engines, performed));
        EXPECT_EQ(rig.os.sleeps, ExpectedPauses(performed));
        EXPECT_EQ(rig.os.soundsPlayed.size(), performed.size());
        EXPECT_EQ(rig.os.peer.Get(expect::kGlideslopeHold, expect::kHoldSize), 0u);
        EXPECT_EQ(rig.os.peer.Get(expect::kApproachHold, expect::kHoldSize), 0u);
    }
}

// Without the glideslope hold, the approach hold clears alone, by its own row.
TEST(ShutdownRun, AnApproachHoldOnAloneIsClearedByItsOwnRow)
{
    Rig rig;
    rig.os.peer.holdsInterlocked = true;
    rig.Set("AP Approach Mode Off", 1);
    rig.sequence.cmdShutdown_Click();

    EXPECT_EQ(rig.Exchanges(), ExpectedRun(1, {"AP Approach Mode Off", "Battery Master Off"}));
    EXPECT_EQ(rig.os.peer.Get(expect::kApproachHold, expect::kHoldSize), 0u);
}

TEST(ShutdownRun, PropellersThatCannotFeatherAreLeftAlone)
{
    Rig rig;
    rig.AllOn();
    rig.Aircraft(4, 0);
    rig.sequence.cmdShutdown_Click();

    const Labels performed = EveryRow(4, false);
    EXPECT_EQ(performed.size(), 40u);
    EXPECT_EQ(rig.Exchanges(), ExpectedRun(4, performed));
    EXPECT_EQ(rig.os.peer.Get(Row("Engine 3 Propeller Feathered").offset, 2), 1u);
}

TEST(ShutdownRun, EveryRowPerformedPausesFortyNineSeconds)
{
    Rig rig;
    rig.AllOn();
    rig.Aircraft(4, 1);
    rig.sequence.cmdShutdown_Click();

    EXPECT_EQ(rig.Exchanges(), ExpectedRun(4, EveryRow(4, true)));
    EXPECT_EQ(rig.os.sleeps.size(), 44u);
    EXPECT_EQ(rig.os.SleptMs(), 49000u);
    EXPECT_EQ(rig.os.sleeps[1], 6000u); // after "Flaps Up"
    for (const expect::Row& row : expect::kChecklist) {
        const std::uint32_t expected = std::string(row.label) == "Parking Brake Set" ? 0x7FFF : 0;
        EXPECT_EQ(rig.os.peer.Get(row.offset, row.size), expected) << row.label;
    }
}

// An aircraft swapped between two runs must not keep the old engine count.
TEST(ShutdownRun, ReadsTheAircraftAfreshEveryRun)
{
    Rig rig;
    rig.Aircraft(4, 1);
    rig.sequence.cmdShutdown_Click();
    rig.os.peer.exchanges.clear();
    rig.os.sleeps.clear();

    rig.Aircraft(1, 0);
    rig.Set("Engine 1 Propeller Feathered", 1);
    rig.sequence.cmdShutdown_Click();
    EXPECT_EQ(rig.Exchanges(), ExpectedRun(1, {"Battery Master Off"}));
}

TEST(ShutdownRun, AirborneIsRefusedInsideTheSimulator)
{
    for (std::uint32_t onGround : {0u, 2u, 0xFFFFu, 0x0101u}) {
        SCOPED_TRACE(onGround);
        Rig rig;
        rig.AllOn();
        rig.Aircraft(1, 1, onGround);
        rig.sequence.cmdShutdown_Click();

        EXPECT_EQ(rig.Exchanges(),
                  (Lines{kOpening, Message("Aircraft shutdown not allowed while airborne.")}));
        EXPECT_EQ(rig.os.peer.Get(expect::kBatteryMaster, 1), 1u); // as it was
        EXPECT_TRUE(rig.os.sleeps.empty());
        EXPECT_TRUE(rig.os.soundsPlayed.empty());
        EXPECT_TRUE(rig.os.messageBoxes.empty());
        EXPECT_TRUE(rig.connection.Connected());
    }
}

TEST(ShutdownRun, LinkTakenAsDownOnlyShowsTheMessageBox)
{
    Rig rig;
    rig.connection.MarkDisconnected();
    rig.sequence.owner = reinterpret_cast<os::Window>(std::uintptr_t{0x1234});
    rig.sequence.cmdShutdown_Click();

    ASSERT_EQ(rig.os.messageBoxes.size(), 1u);
    EXPECT_EQ(rig.os.messageBoxes[0].text, "Connection to FS2002 via FSUIPC not detected.");
    EXPECT_EQ(rig.os.messageBoxes[0].caption, "Tollivane");
    // OK only, no icon, and in front of the simulator that has the focus:
    // MB_SETFOREGROUND, and MB_TOPMOST for when the foreground is refused.
    EXPECT_EQ(rig.os.messageBoxes[0].type, 0x00010000u | 0x00040000u);
    EXPECT_EQ(rig.os.sends, 0);
    EXPECT_FALSE(rig.connection.Connected());
}

// The first exchange is where a lost link shows: the flag drops, so that the
// timer reopens the link, and the user is told nothing.
TEST(ShutdownRun, LostLinkEndsTheRunSilently)
{
    {
        Rig rig;
        rig.os.failSends = -1;
        rig.sequence.cmdShutdown_Click();
        EXPECT_FALSE(rig.connection.Connected());
        EXPECT_EQ(rig.os.sends, 41); // the opening exchange, with its retries, and nothing else
        EXPECT_TRUE(rig.Pauses().empty());
        EXPECT_TRUE(rig.os.messageBoxes.empty());
        EXPECT_TRUE(rig.os.soundsPlayed.empty());
    }
    {
        // Closed under our feet: the opening read cannot even be queued.
        Rig rig;
        rig.link.IpcClose();
        rig.sequence.cmdShutdown_Click();
        EXPECT_FALSE(rig.connection.Connected());
        EXPECT_EQ(rig.os.sends, 0);
        EXPECT_TRUE(rig.os.messageBoxes.empty());
    }
}

TEST(ShutdownRun, LinkLostAfterTheOpeningGoesOnToCompleteWithoutPausing)
{
    Rig rig;
    rig.AllOn();
    rig.Aircraft(2, 1);
    rig.os.sendsBeforeOutage = 1;
    rig.sequence.cmdShutdown_Click();

    EXPECT_EQ(rig.Exchanges(), Lines{kOpening});
    // The battery, the 34 rows of a twin and "Complete", each exchange tried
    // with all its retries.
    EXPECT_EQ(rig.os.sends, 1 + 41 * (1 + 34 + 1));
    EXPECT_TRUE(rig.Pauses().empty());
    EXPECT_TRUE(rig.os.soundsPlayed.empty());
    EXPECT_TRUE(rig.connection.Connected());

    // "Complete" was the last batch handed over.
    const std::uint8_t* block = rig.link.State().viewStart;
    EXPECT_EQ(block[0], expect::wire::kRecordWrite);
    EXPECT_EQ(block[4] | block[5] << 8, 0x3380);
    EXPECT_STREQ(reinterpret_cast<const char*>(block + 12), "Shutdown:  Complete");
}

// --- One row ----------------------------------------------------------------

// What the row writes when its variable reads `value`; nothing when it is
// taken as already off.
std::optional<std::uint32_t> Written(const std::string& label, std::uint32_t value,
                                     std::uint32_t featherCapable = 1)
{
    Rig rig;
    const expect::Row& row = Row(label);
    rig.os.peer.Set(row.offset, row.size, value);
    rig.Prime(4, featherCapable);
    rig.sequence.RunShutdownStep(row.offset, row.size, row.engine, row.label);

    const Lines exchanges = rig.Exchanges();
    EXPECT_FALSE(exchanges.empty());
    EXPECT_EQ(exchanges.empty() ? "" : exchanges[0], Request('R', row.offset, row.size));
    if (exchanges.size() == 1) {
        EXPECT_TRUE(rig.os.sleeps.empty());
        EXPECT_TRUE(rig.os.soundsPlayed.empty());
        return std::nullopt;
    }
    EXPECT_EQ(exchanges.size(), 3u);
    EXPECT_EQ(exchanges.back(), Message(label));
    EXPECT_EQ(rig.os.soundsPlayed.size(), 1u);
    return rig.os.peer.Get(row.offset, row.size);
}

TEST(ShutdownStep, ReadingsThatMeanOff)
{
    const auto none = std::optional<std::uint32_t>{};
    EXPECT_EQ(Written("Radio Audio Switches Off", 64), none);
    EXPECT_EQ(Written("Radio Audio Switches Off", 128), none);
    EXPECT_EQ(Written("Radio Audio Switches Off", 192), 0u);
    EXPECT_EQ(Written("Radio Audio Switches Off", 1), 0u);
    // 64 means off for every row; 128 only on the radio panel.
    EXPECT_EQ(Written("Lights Off", 64), none);
    EXPECT_EQ(Written("Lights Off", 128), 0u);
    EXPECT_EQ(Written("AP Master Off", 64), none);
    EXPECT_EQ(Written("AP Master Off", 0x40 + 0x10000), 0u);
}

TEST(ShutdownStep, ValuesAreUnsignedAndFullWidth)
{
    EXPECT_EQ(Written("Elevator Trim Neutral", 0x8000), 0u);
    EXPECT_EQ(Written("Elevator Trim Neutral", 0xFFFF), 0u);
    EXPECT_EQ(Written("Flaps Up", 0xFFFFFFFF), 0u);
    EXPECT_EQ(Written("Flaps Up", 0x40000000), 0u);
    EXPECT_EQ(Written("Pitot Heat Off", 0xFF), 0u);
}

TEST(ShutdownStep, ParkingBrakeIsSetOnlyWhenReleased)
{
    const auto none = std::optional<std::uint32_t>{};
    EXPECT_EQ(Written("Parking Brake Set", 0), 0x7FFFu);
    // 64 counts as "off" before the brake's own rule, so the brake is set.
    EXPECT_EQ(Written("Parking Brake Set", 64), 0x7FFFu);
    EXPECT_EQ(Written("Parking Brake Set", 1), none);
    EXPECT_EQ(Written("Parking Brake Set", 0x7FFF), none);
    EXPECT_EQ(Written("Parking Brake Set", 0x8000), none);
}

TEST(ShutdownStep, FeatheringNeedsAPropellerThatCan)
{
    EXPECT_EQ(Written("Engine 2 Propeller Feathered", 1, 0), std::nullopt);
    EXPECT_EQ(Written("Engine 2 Propeller Feathered", 1, 1), 0u);
    EXPECT_EQ(Written("Engine 2 Mixture/Fuel Flow Off", 1, 0), 0u);
}

TEST(ShutdownStep, RowsForMissingEnginesReadNothing)
{
    Rig rig;
    rig.AllOn();
    rig.Prime(2, 1);
    rig.sequence.RunShutdownStep(0x09E2, 2, 3, "Engine 3 Carb Heat/Anti-Ice Off");
    EXPECT_EQ(rig.os.sends, 0);
    rig.Prime(0xFFFF, 1);
    rig.sequence.RunShutdownStep(0x08B2, 2, -1, "Engine 1 Carb Heat/Anti-Ice Off");
    rig.sequence.RunShutdownStep(0x08B2, 2, std::numeric_limits<std::int32_t>::min(), "x");
    // Wider than the value it would be read into.
    rig.sequence.RunShutdownStep(0x0BDC, 8, 0, "Flaps Up");
    EXPECT_EQ(rig.os.sends, 0);
    EXPECT_TRUE(rig.os.sleeps.empty());

    rig.Prime(0, 1);
    rig.sequence.RunShutdownStep(0x0D0C, 2, 0, "Lights Off");
    EXPECT_EQ(rig.Exchanges(), (Lines{"R 0D0C/2", "W 0D0C/2=0", Message("Lights Off")}));
}

TEST(ShutdownStep, AnnouncesThenSoundsThenPauses)
{
    Rig rig;
    rig.Set("Flaps Up", 16383);
    rig.sequence.RunShutdownStep(0x0BDC, 4, 0, "Flaps Up");
    EXPECT_EQ(rig.os.timeline,
              (Lines{"R 0BDC/4", "W 0BDC/4=0", Message("Flaps Up"), "sound", "sleep 6000"}));

    // Without the sound file the step keeps its pace.
    rig.os.files.clear();
    rig.os.timeline.clear();
    rig.Set("Spoilers In", 1);
    rig.sequence.RunShutdownStep(0x0BD0, 4, 0, "Spoilers In");
    EXPECT_EQ(rig.os.timeline,
              (Lines{"R 0BD0/4", "W 0BD0/4=0", Message("Spoilers In"), "sleep 1000"}));
}

// A close calls off only the waits that follow a send the simulator did not
// answer: there it may never answer again. After an answered send the pause
// is a plain sleep of its whole length, so a close waits for the run's end.
TEST(ShutdownStep, OnlyAWaitAfterAnUnansweredSendIsCalledOff)
{
    Rig rig;
    const os::Handle callOff = rig.os.CreateEventW();
    rig.link.callOff = callOff;
    rig.Set("Spoilers In", 1);
    rig.sequence.RunShutdownStep(0x0BD0, 4, 0, "Spoilers In");
    EXPECT_EQ(rig.os.timeline,
              (Lines{"R 0BD0/4", "W 0BD0/4=0", Message("Spoilers In"), "sound", "sleep 1000"}));

    // Not called off yet: the retries wait their 100 ms each, and a stall the
    // simulator gets over leaves the next step's pause a sleep again.
    rig.os.timeline.clear();
    rig.os.sendsBeforeOutage = 0;
    rig.os.outageSends = 2;
    rig.Set("Pitot Heat Off", 1);
    rig.sequence.RunShutdownStep(0x029C, 1, 0, "Pitot Heat Off");
    EXPECT_EQ(rig.os.timeline, (Lines{"wait 100", "wait 100", "R 029C/1", "W 029C/1=0",
                                      Message("Pitot Heat Off"), "sound", "sleep 1000"}));

    // Called off: the first wait after an unanswered send ends at once and
    // closes the link, and nothing more is sent.
    rig.os.SetEvent(callOff);
    rig.os.timeline.clear();
    rig.os.sendsBeforeOutage = 0;
    rig.os.outageSends = -1;
    const int sendsBefore = rig.os.sends;
    rig.Set("Lights Off", 1);
    rig.sequence.RunShutdownStep(0x0D0C, 2, 0, "Lights Off");
    EXPECT_EQ(rig.os.timeline, Lines{"wait 100"});
    EXPECT_EQ(rig.os.sends - sendsBefore, 1);
    EXPECT_FALSE(rig.link.IsOpen());
}

// A wait called off (the user closes the window while the simulator does not
// answer) closes the link there: the run ends without another send, and the
// link counts as down.
TEST(ShutdownRun, AWaitCalledOffEndsTheRunWithTheLink)
{
    Rig rig;
    rig.Set("Pitot Heat Off", 1);
    rig.Set("Lights Off", 1);
    rig.link.callOff = rig.os.CreateEventW();
    rig.os.SetEvent(rig.link.callOff);
    // The opening reads, the battery, the reads of rows 1 to 5; then Pitot's write.
    rig.os.sendsBeforeOutage = 7;
    rig.sequence.cmdShutdown_Click();

    EXPECT_EQ(rig.Exchanges().back(), "R 029C/1");
    EXPECT_TRUE(rig.os.soundsPlayed.empty());
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_FALSE(rig.connection.Connected());
}

TEST(ShutdownStep, FailedWriteExchangeIsStillAnnounced)
{
    Rig rig;
    rig.Set("Lights Off", 0x3FF);
    rig.os.sendsBeforeOutage = 1;
    rig.os.outageSends = 41; // exactly the write's exchange
    rig.sequence.RunShutdownStep(0x0D0C, 2, 0, "Lights Off");

    EXPECT_EQ(rig.Exchanges(), (Lines{"R 0D0C/2", Message("Lights Off")}));
    EXPECT_EQ(rig.os.peer.Get(0x0D0C, 2), 0x3FFu);
    EXPECT_EQ(rig.os.soundsPlayed, Lines{kSoundPath});
    EXPECT_EQ(rig.Pauses(), std::vector<std::uint32_t>{1000});
}

TEST(ShutdownStep, FailedReadSkipsTheRowQuietly)
{
    Rig rig;
    rig.Set("Lights Off", 1);
    rig.os.sendsBeforeOutage = 0;
    rig.os.outageSends = 41;
    rig.sequence.RunShutdownStep(0x0D0C, 2, 0, "Lights Off");
    EXPECT_TRUE(rig.Exchanges().empty());
    EXPECT_EQ(rig.os.sends, 41);
    EXPECT_TRUE(rig.Pauses().empty());
    EXPECT_TRUE(rig.os.soundsPlayed.empty());
}

} // namespace
} // namespace shutdown::testing
