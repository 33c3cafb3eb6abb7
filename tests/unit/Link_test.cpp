#include "unit/LinkFixture.h"

#include <array>
#include <cstring>
#include <vector>

using namespace simlink;

namespace {

// --- Queueing -------------------------------------------------------------------

class Queue : public OpenLink {};

TEST_F(Queue, ReadAndWriteSizesAtTheLimit)
{
    std::int32_t result = -1;
    std::vector<std::uint8_t> buffer(40000);

    // 16 + 32492 + 4 = 0x7F00 exactly: accepted; one byte more is refused.
    EXPECT_FALSE(link.IpcRead(0, 32493, buffer.data(), result));
    EXPECT_EQ(result, IpcBlockFull);
    EXPECT_EQ(Queued(), 0u);
    EXPECT_TRUE(link.IpcRead(0, 32492, buffer.data(), result));
    EXPECT_EQ(result, IpcOk);
    EXPECT_EQ(Queued(), 32508u);

    link.IpcClose();
    link.IpcClearState();
    ASSERT_TRUE(link.IpcOpen(0, result));
    EXPECT_FALSE(link.IpcWrite(0, 32497, buffer.data(), result));
    EXPECT_EQ(result, IpcBlockFull);
    EXPECT_TRUE(link.IpcWrite(0, 32496, buffer.data(), result));
    EXPECT_EQ(Queued(), 32508u);
}

TEST_F(Queue, HugeSizesAreRefusedNotWrappedRound)
{
    std::int32_t result = -1;
    std::uint8_t byte = 0;
    for (std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFECu, 0x80000000u}) {
        EXPECT_FALSE(link.IpcRead(0, size, &byte, result)) << size;
        EXPECT_EQ(result, IpcBlockFull);
        EXPECT_FALSE(link.IpcWrite(0, size, &byte, result)) << size;
        EXPECT_EQ(result, IpcBlockFull);
    }
    EXPECT_EQ(Queued(), 0u);
}

TEST_F(Queue, RecordsArePackedLittleEndianWithZeroedReplyAreas)
{
    std::int32_t result = -1;
    std::uint8_t* block = link.State().viewStart;
    std::memset(block, 0xAA, 256); // stale bytes from an earlier batch

    std::uint16_t a = 0;
    const std::uint32_t value = 0x11223344;
    ASSERT_TRUE(link.IpcRead(0x0366, 1, &a, result));
    ASSERT_TRUE(link.IpcWrite(0x3102, 4, &value, result));

    const std::array<std::uint8_t, 17> read = {1, 0, 0, 0, 0x66, 0x03, 0, 0, 1,
                                               0, 0, 0, 1, 0,    0,    0, 0}; // destination token 1
    EXPECT_EQ(std::memcmp(block, read.data(), read.size()), 0);
    // The next record starts 17 bytes in: no alignment padding.
    const std::array<std::uint8_t, 16> write = {2, 0, 0, 0, 0x02, 0x31, 0,    0,
                                                4, 0, 0, 0, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(std::memcmp(block + 17, write.data(), write.size()), 0);
    EXPECT_EQ(Queued(), 33u);
    // The terminator is written only by the exchange.
    EXPECT_EQ(block[33], 0xAA);
}

TEST_F(Queue, ARefusedRequestKeepsEarlierOnes)
{
    std::int32_t result = -1;
    std::uint16_t v = 0;
    ASSERT_TRUE(link.IpcRead(0x0366, 2, &v, result));
    std::vector<std::uint8_t> big(0x7F00);
    EXPECT_FALSE(link.IpcWrite(0x1000, 0x7F00 - 18 - 4 - 11, big.data(), result));
    EXPECT_EQ(Queued(), 18u);

    os.peer.Set(0x0366, 2, 1);
    ASSERT_TRUE(link.IpcProcess(result));
    EXPECT_EQ(v, 1);
    ASSERT_EQ(os.peer.exchanges.size(), 1u);
    EXPECT_EQ(os.peer.exchanges[0].size(), 1u);
}

TEST(ClosedLink, EveryOperationFailsWithNotOpenAndTouchesNothing)
{
    fake::FakeOs os;
    simlink::Link link{os};
    std::int32_t result = -1;
    std::uint32_t v = 7;
    EXPECT_FALSE(link.IpcRead(0, 4, &v, result));
    EXPECT_EQ(result, IpcNotOpen);
    EXPECT_FALSE(link.IpcWrite(0, 4, &v, result));
    EXPECT_EQ(result, IpcNotOpen);
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcNotOpen);

    ASSERT_TRUE(link.IpcOpen(0, result));
    link.IpcClose();
    result = -1;
    EXPECT_FALSE(link.IpcRead(0, 4, &v, result));
    EXPECT_EQ(result, IpcNotOpen);
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcNotOpen);
    EXPECT_EQ(v, 7u);
    EXPECT_EQ(os.sends, 1); // only the handshake
}

// --- The exchange ------------------------------------------------------------------

class Exchange : public OpenLink {};

TEST_F(Exchange, ThreeReadsTravelInOneMessageAndArriveZeroExtended)
{
    std::int32_t result = -1;
    os.peer.Set(0x0366, 2, 1);
    os.peer.Set(0x0AEC, 2, 0x8002);
    os.peer.Set(0x0AF0, 2, 1);
    std::uint32_t onGround = 0xFFFFFFFF, engines = 0, feather = 0;
    onGround = 0;
    ASSERT_TRUE(link.IpcRead(0x0366, 2, &onGround, result));
    ASSERT_TRUE(link.IpcRead(0x0AEC, 2, &engines, result));
    ASSERT_TRUE(link.IpcRead(0x0AF0, 2, &feather, result));
    EXPECT_EQ(Queued(), 54u);
    ASSERT_TRUE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcOk);
    EXPECT_EQ(onGround, 1u);
    EXPECT_EQ(engines, 0x8002u);
    EXPECT_EQ(feather, 1u);
    EXPECT_EQ(os.sends, 1);
    ASSERT_EQ(os.peer.exchanges.size(), 1u);
    EXPECT_EQ(os.peer.exchanges[0].size(), 3u);
    // The terminator sits right after the 54 bytes.
    const std::uint8_t* block = link.State().viewStart;
    EXPECT_EQ(block[54] | block[55] | block[56] | block[57], 0);
}

TEST_F(Exchange, SizeZeroAndNullDestinationsTravelButCopyNothing)
{
    std::int32_t result = -1;
    os.peer.Set(0x3000, 4, 0xDEADBEEF);
    std::uint32_t after = 0;
    ASSERT_TRUE(link.IpcRead(0x3000, 0, &after, result));
    ASSERT_TRUE(link.IpcRead(0x3000, 4, nullptr, result));
    ASSERT_TRUE(link.IpcRead(0x3000, 4, &after, result));
    EXPECT_EQ(Queued(), 16u + 20u + 20u);
    ASSERT_TRUE(link.IpcProcess(result));
    EXPECT_EQ(after, 0xDEADBEEFu);
    EXPECT_EQ(os.peer.exchanges[0].size(), 3u);
}

TEST_F(Exchange, EveryExchangeEmptiesTheQueue)
{
    std::int32_t result = -1;
    std::uint32_t v = 0;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    ASSERT_TRUE(link.IpcProcess(result));
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcNothingQueued);

    os.failSends = -1;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(Queued(), 0u);
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcNothingQueued);
}

TEST_F(Exchange, WritesReachThePeerInQueueOrder)
{
    std::int32_t result = -1;
    const std::uint8_t one = 1;
    const std::uint16_t five = 5;
    ASSERT_TRUE(link.IpcWrite(0x3102, 1, &one, result));
    ASSERT_TRUE(link.IpcWrite(0x32FA, 2, &five, result));
    ASSERT_TRUE(link.IpcProcess(result));
    ASSERT_EQ(os.peer.exchanges.size(), 1u);
    const auto& records = os.peer.exchanges[0];
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].offset, 0x3102u);
    EXPECT_EQ(records[0].Value(), 1u);
    EXPECT_EQ(records[1].offset, 0x32FAu);
    EXPECT_EQ(records[1].Value(), 5u);
    EXPECT_EQ(os.peer.Get(0x32FA, 2), 5u);
}

TEST_F(Exchange, TheAtomTravelsSignExtended)
{
    std::int32_t result = -1;
    std::uint32_t v = 0;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    ASSERT_TRUE(link.IpcProcess(result));
    ASSERT_FALSE(os.sentWParams.empty());
    const std::uintptr_t sent = os.sentWParams.back();
    EXPECT_EQ(sent & 0xFFFF, 0xC001u);
    EXPECT_EQ(sent | 0xFFFF, ~std::uintptr_t{0}); // every upper bit set
    EXPECT_EQ(link.State().atom, static_cast<std::int32_t>(0xFFFFC001));
}

TEST_F(Exchange, SendsAreRetriedUpToFortyOneTimes)
{
    std::int32_t result = -1;
    std::uint32_t v = 0;
    os.failSends = 40; // the 41st send gets through
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    ASSERT_TRUE(link.IpcProcess(result));
    EXPECT_EQ(v, 0x19980005u);
    EXPECT_EQ(os.sends, 41);
    EXPECT_EQ(os.sleeps, std::vector<std::uint32_t>(40, 100));
}

TEST_F(Exchange, GivingUpReportsWhetherTheSystemGaveAReason)
{
    std::int32_t result = -1;
    std::uint32_t v = 0x55;
    os.failSends = -1;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcSendError);
    EXPECT_EQ(os.sends, 41);
    EXPECT_EQ(os.SleptMs(), 4000u);
    EXPECT_EQ(v, 0x55u);

    os.sendError = 0;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcSendGaveUp);
}

TEST_F(Exchange, AnAnswerOtherThanOneDeliversNothing)
{
    std::int32_t result = -1;
    for (std::uintptr_t answer : {std::uintptr_t{0}, std::uintptr_t{2}, ~std::uintptr_t{0}}) {
        os.peer.answer = answer;
        std::uint32_t v = 0x55;
        ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
        EXPECT_FALSE(link.IpcProcess(result));
        EXPECT_EQ(result, IpcBadReplyValue);
        EXPECT_EQ(v, 0x55u);
        EXPECT_EQ(Queued(), 0u);
    }
}

// --- A peer that breaks the block ---------------------------------------------

class HostilePeer : public OpenLink {};

TEST_F(HostilePeer, AnUnknownRecordTypeStopsTheWalk)
{
    std::int32_t result = -1;
    std::uint32_t first = 0, second = 0;
    os.peer.Set(0x100, 4, 11);
    os.peer.Set(0x200, 4, 22);
    ASSERT_TRUE(link.IpcRead(0x100, 4, &first, result));
    ASSERT_TRUE(link.IpcRead(0x200, 4, &second, result));
    // Break the second record after the peer has filled it.
    os.peer.corruptFirstType = 7;
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcBadReplyValue);
    EXPECT_EQ(first, 0u); // the broken record was the first
    EXPECT_EQ(Queued(), 0u);
}

TEST_F(HostilePeer, AnEnlargedSizeNeverOverrunsTheCallersBuffer)
{
    std::int32_t result = -1;
    struct Guarded {
        std::uint32_t before = 0xA5A5A5A5;
        std::uint16_t value = 0;
        std::uint16_t after = 0x5A5A;
    } g;
    os.peer.Set(0x0366, 4, 0xFFFFFFFF);
    ASSERT_TRUE(link.IpcRead(0x0366, 2, &g.value, result));
    os.peer.enlargeFirstSize = 2; // 4 bytes claimed where 2 were queued
    link.IpcProcess(result);
    EXPECT_EQ(g.value, 0xFFFF);
    EXPECT_EQ(g.after, 0x5A5A);
    EXPECT_EQ(g.before, 0xA5A5A5A5u);
}

TEST_F(HostilePeer, ASizePastTheBlockEndsTheWalk)
{
    std::int32_t result = -1;
    std::uint32_t v = 0;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    os.peer.enlargeFirstSize = 0x8000;
    EXPECT_FALSE(link.IpcProcess(result));
    EXPECT_EQ(result, IpcBadReplyValue);
    EXPECT_EQ(v, 0u);
}

TEST_F(HostilePeer, DestinationsNotIssuedForThisBatchAreIgnored)
{
    std::int32_t result = -1;
    std::uint8_t* block = link.State().viewStart;
    std::uint32_t v = 0;
    ASSERT_TRUE(link.IpcRead(0x3304, 4, &v, result));
    ASSERT_TRUE(link.IpcProcess(result));
    // A second batch without destinations; the peer rewrites the field to
    // tokens from the earlier batch and to garbage.
    for (std::uint32_t token : {1u, 2u, 0xFFFFFFFFu}) {
        v = 0;
        ASSERT_TRUE(link.IpcRead(0x3304, 4, nullptr, result));
        block[12] = static_cast<std::uint8_t>(token);
        block[13] = static_cast<std::uint8_t>(token >> 8);
        block[14] = static_cast<std::uint8_t>(token >> 16);
        block[15] = static_cast<std::uint8_t>(token >> 24);
        ASSERT_TRUE(link.IpcProcess(result));
        EXPECT_EQ(v, 0u) << token;
    }
}

} // namespace
