// The product's link against the simulator stand-in, under Wine: real windows,
// atoms, sections and messages between two processes.
#include "os/Os_win.h"
#include "simlink/Connection.h"
#include "simlink/Link.h"
#include "wine/StandInProcess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace simlink;

constexpr std::uint32_t kGuard = 0xA5A5A5A5;

// A value read through the link into the middle of guard words, so that a
// reply written past its buffer shows.
struct Guarded {
    std::uint32_t before = kGuard;
    std::uint32_t value = 0;
    std::uint32_t after = kGuard;
};

class StandInLink : public ::testing::Test {
  protected:
    os::Win32Os os;
    Link link{os};
    std::int32_t result = -1;

    ~StandInLink() override { link.IpcClose(); }

    bool Read(SimOffset offset, std::uint32_t size, Guarded& into)
    {
        return link.IpcRead(offset, size, &into.value, result) && link.IpcProcess(result);
    }
};

TEST_F(StandInLink, OpensWithTheHandshakeAndJournalsEachRecord)
{
    wine::StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());

    // Simulator 6 asked for: the handshake read its id.
    ASSERT_TRUE(link.IpcOpen(6, result));
    EXPECT_EQ(result, IpcOk);

    Guarded brake;
    ASSERT_TRUE(Read(0x0BC8, 2, brake));
    EXPECT_EQ(brake.value, 32767u);

    char text[kMessageTextSize] = "Shutdown:  Complete";
    const std::uint16_t show = kMessageShow;
    ASSERT_TRUE(link.IpcWrite(kOffsetMessageText, kMessageTextSize, text, result));
    ASSERT_TRUE(link.IpcWrite(kOffsetMessageValue, 2, &show, result));
    ASSERT_TRUE(link.IpcProcess(result));

    // The journal is written before the answer, so it is complete already.
    const std::vector<wine::JournalLine> journal = sim.Journal();
    ASSERT_EQ(journal.size(), 5u);
    EXPECT_EQ(journal[0].exchange, 1);
    EXPECT_EQ(journal[0].kind, 'R');
    EXPECT_EQ(journal[0].offset, kOffsetVersion);
    EXPECT_EQ(journal[0].size, 4u);
    EXPECT_EQ(journal[0].Number(), 0x19980005u);
    EXPECT_EQ(journal[1].offset, kOffsetSimulatorId);
    EXPECT_EQ(journal[1].Number(), 0xFADE0006u);

    EXPECT_EQ(journal[2].exchange, 2);
    EXPECT_EQ(journal[2].kind, 'R');
    EXPECT_EQ(journal[2].offset, 0x0BC8u);
    EXPECT_EQ(journal[2].value, "32767");

    EXPECT_EQ(journal[3].exchange, 3);
    EXPECT_EQ(journal[3].kind, 'W');
    EXPECT_EQ(journal[3].offset, kOffsetMessageText);
    EXPECT_EQ(journal[3].size, kMessageTextSize);
    EXPECT_EQ(journal[3].value, "\"Shutdown:  Complete\"");
    EXPECT_EQ(journal[3].Text(), "Shutdown:  Complete");
    EXPECT_EQ(journal[4].offset, kOffsetMessageValue);
    EXPECT_EQ(journal[4].value, "5");

    for (std::size_t i = 1; i < journal.size(); ++i)
        EXPECT_LE(journal[i - 1].micros, journal[i].micros);
}

TEST_F(StandInLink, WritesLandInTheVariableSpace)
{
    wine::StandInProcess sim("--scenario running-twin");
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(link.IpcOpen(0, result));

    Guarded before;
    ASSERT_TRUE(Read(0x0926, 2, before)); // engine 2 propeller
    EXPECT_EQ(before.value, 16384u);
    const std::uint32_t zero = 0;
    ASSERT_TRUE(link.IpcWrite(0x0926, 2, &zero, result));
    ASSERT_TRUE(link.IpcProcess(result));
    Guarded after;
    ASSERT_TRUE(Read(0x0926, 2, after));
    EXPECT_EQ(after.value, 0u);
    EXPECT_EQ(after.before, kGuard);
    EXPECT_EQ(after.after, kGuard);
}

TEST_F(StandInLink, LowVersionFailsUnderEitherClass)
{
    {
        wine::StandInProcess sim("--fault version-low");
        ASSERT_TRUE(sim.Started());
        EXPECT_FALSE(link.IpcOpen(0, result));
        EXPECT_EQ(result, IpcHandshakeFailed);
        EXPECT_FALSE(link.IsOpen());
    }
    {
        wine::StandInProcess sim("--class FS98MAIN --fault version-low");
        ASSERT_TRUE(sim.Started());
        EXPECT_FALSE(link.IpcOpen(0, result));
        EXPECT_EQ(result, IpcHandshakeFailedFallback);
    }
}

TEST_F(StandInLink, FallbackClassServesWhenTheVersionIsRight)
{
    wine::StandInProcess sim("--class FS98MAIN");
    ASSERT_TRUE(sim.Started());
    EXPECT_TRUE(link.IpcOpen(0, result));
}

TEST_F(StandInLink, WrongMarkerOrNoValuesFailTheHandshake)
{
    {
        wine::StandInProcess sim("--fault bad-marker");
        ASSERT_TRUE(sim.Started());
        EXPECT_FALSE(link.IpcOpen(0, result));
        EXPECT_EQ(result, IpcHandshakeFailed);
    }
    {
        // Both values stay 0, so the client asks five times before it gives up.
        wine::StandInProcess sim("--fault version-zero");
        ASSERT_TRUE(sim.Started());
        EXPECT_FALSE(link.IpcOpen(0, result));
        EXPECT_EQ(result, IpcHandshakeFailed);
        EXPECT_EQ(sim.Journal().back().exchange, 5);
    }
}

TEST_F(StandInLink, RequestedSimulatorMustMatch)
{
    wine::StandInProcess sim("--id 5");
    ASSERT_TRUE(sim.Started());
    EXPECT_FALSE(link.IpcOpen(6, result));
    EXPECT_EQ(result, IpcOtherSimulator);
    EXPECT_FALSE(link.IsOpen());

    ASSERT_TRUE(link.IpcOpen(5, result));
}

TEST_F(StandInLink, AnswerOfZeroIsABadReply)
{
    {
        wine::StandInProcess sim("--fault answer-zero");
        ASSERT_TRUE(sim.Started());
        EXPECT_FALSE(link.IpcOpen(0, result));
        EXPECT_EQ(result, IpcBadReplyValue);
    }
    {
        wine::StandInProcess sim("--scenario running-single --fault answer-zero:2");
        ASSERT_TRUE(sim.Started());
        ASSERT_TRUE(link.IpcOpen(0, result));
        Guarded brake;
        brake.value = 0x12345678;
        EXPECT_FALSE(Read(0x0BDC, 4, brake));
        EXPECT_EQ(result, IpcBadReplyValue);
        EXPECT_EQ(brake.value, 0x12345678u) << "nothing is delivered from a refused batch";
        EXPECT_EQ(sim.Journal().size(), 2u) << "only the handshake was carried out";
    }
}

// The stand-in carries out the batch, then damages the first record: the
// client must refuse the walk without writing anywhere.
class CorruptedBlock : public StandInLink, public ::testing::WithParamInterface<const char*> {};

TEST_P(CorruptedBlock, IsABadReplyAndNothingIsWrittenPastTheBuffers)
{
    wine::StandInProcess sim(std::string("--scenario running-single --fault ") + GetParam() + ":2");
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(link.IpcOpen(0, result));

    Guarded first, second;
    first.value = second.value = 0x11111111;
    ASSERT_TRUE(link.IpcRead(0x0BDC, 4, &first.value, result));
    ASSERT_TRUE(link.IpcRead(0x0D0C, 2, &second.value, result));
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcBadReplyValue);
    for (const Guarded* g : {&first, &second}) {
        EXPECT_EQ(g->before, kGuard);
        EXPECT_EQ(g->after, kGuard);
    }
    EXPECT_EQ(first.value, 0x11111111u);
    EXPECT_EQ(sim.Journal().size(), 4u) << "the batch itself was carried out";

    // The queue is empty again and the next batch is damaged the same way.
    EXPECT_EQ(link.State().writePosition, link.State().viewStart) << "the batch stayed queued";
}

INSTANTIATE_TEST_SUITE_P(Modes, CorruptedBlock, ::testing::Values("corrupt-type", "corrupt-size"));

// A peer that answers neither 1 nor 0 has still carried the batch out; the
// client must not take that for success, nor deliver what it read.
TEST_F(StandInLink, AnswerOfTwoDeliversNothingThoughTheBatchWasCarriedOut)
{
    wine::StandInProcess sim("--scenario running-single --fault answer-two:2");
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(link.IpcOpen(0, result));
    Guarded flaps;
    flaps.value = 0x12345678;
    EXPECT_FALSE(Read(0x0BDC, 4, flaps));
    EXPECT_EQ(result, IpcBadReplyValue);
    EXPECT_EQ(flaps.value, 0x12345678u);
    const std::vector<wine::JournalLine> journal = sim.Journal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[2].offset, 0x0BDCu) << "the stand-in did carry the read out";
    EXPECT_EQ(link.State().writePosition, link.State().viewStart) << "the batch stayed queued";
}

// The walk delivers in block order and stops at the broken record: the reads
// before it arrive, the later ones do not, and nothing lands beside a buffer.
TEST_F(StandInLink, ABrokenSecondRecordDeliversOnlyTheReadBeforeIt)
{
    wine::StandInProcess sim("--scenario running-single --fault corrupt-second:2");
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(link.IpcOpen(0, result));
    Guarded flaps, lights, trim;
    flaps.value = lights.value = trim.value = 0x11111111;
    ASSERT_TRUE(link.IpcRead(0x0BDC, 4, &flaps.value, result));
    ASSERT_TRUE(link.IpcRead(0x0D0C, 2, &lights.value, result));
    ASSERT_TRUE(link.IpcRead(0x0BC0, 2, &trim.value, result));
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcBadReplyValue);
    EXPECT_EQ(flaps.value, 16383u) << "before the broken record: delivered";
    EXPECT_EQ(lights.value, 0x11111111u) << "the broken record: not delivered";
    EXPECT_EQ(trim.value, 0x11111111u) << "after it: not delivered";
    for (const Guarded* g : {&flaps, &lights, &trim}) {
        EXPECT_EQ(g->before, kGuard);
        EXPECT_EQ(g->after, kGuard);
    }
    EXPECT_EQ(sim.Journal().size(), 5u) << "the stand-in carried out all three";
}

// The destination field is the client's to interpret and the peer's to leave
// alone. Rewritten, it must steer no reply anywhere: the walk itself is sound,
// so the exchange succeeds, but no buffer receives anything.
TEST_F(StandInLink, RewrittenDestinationsSteerNoReplyAnywhere)
{
    wine::StandInProcess sim("--scenario running-single --fault rewrite-destination:2");
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(link.IpcOpen(0, result));
    Guarded flaps, lights;
    flaps.value = lights.value = 0x11111111;
    ASSERT_TRUE(link.IpcRead(0x0BDC, 4, &flaps.value, result));
    ASSERT_TRUE(link.IpcRead(0x0D0C, 2, &lights.value, result));
    EXPECT_TRUE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcOk);
    for (const Guarded* g : {&flaps, &lights}) {
        EXPECT_EQ(g->value, 0x11111111u);
        EXPECT_EQ(g->before, kGuard);
        EXPECT_EQ(g->after, kGuard);
    }
    EXPECT_EQ(sim.Journal().size(), 4u);

    // From the handshake on, the version never arrives and the open fails.
    link.IpcClose();
    sim.Stop();
    wine::StandInProcess early("--fault rewrite-destination");
    ASSERT_TRUE(early.Started());
    EXPECT_FALSE(link.IpcOpen(0, result));
    EXPECT_EQ(result, IpcHandshakeFailed);
}

TEST_F(StandInLink, ReopensAgainstTheSameStandIn)
{
    // The stand-in must not keep the client's section open between
    // messages, or the client's reopen under the same name would fail.
    wine::StandInProcess sim("--scenario cold-and-dark");
    ASSERT_TRUE(sim.Started());
    simlink::Connection connection(link);
    connection.TryConnect();
    ASSERT_TRUE(connection.Connected());
    connection.MarkDisconnected();
    connection.TryConnect();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(StandInLink, ReconnectsAfterTheStandInIsStoppedAndStartedAgain)
{
    simlink::Connection connection(link);
    {
        wine::StandInProcess sim("--scenario cold-and-dark");
        ASSERT_TRUE(sim.Started());
        connection.TryConnect();
        ASSERT_TRUE(connection.Connected());
    }
    // The window is gone: every send fails at once, and the exchange gives up
    // after its retries with the system's error.
    Guarded value;
    EXPECT_FALSE(Read(kOffsetOnGround, 2, value));
    EXPECT_EQ(result, IpcSendError);
    connection.MarkDisconnected();

    connection.TryConnect();
    EXPECT_FALSE(connection.Connected()) << "no simulator yet";

    wine::StandInProcess sim("--scenario airborne");
    ASSERT_TRUE(sim.Started());
    connection.TryConnect();
    ASSERT_TRUE(connection.Connected());
    ASSERT_TRUE(Read(kOffsetOnGround, 2, value));
    EXPECT_EQ(value.value, 0u);
}

} // namespace
