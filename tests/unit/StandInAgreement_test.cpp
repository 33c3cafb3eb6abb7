// The one place where the stand-in's picture of the simulator meets the
// product's: both are written on their own, and where the real simulator
// holds one truth, they must agree. A failure names both values, so that it
// is plain which side to check against the simulator's documentation.
#include "Simulator.h"
#include "Wire.h"

#include "fake/FakeOs.h"
#include "shutdown/Checklist.h"
#include "simlink/Link.h"
#include "simlink/Protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

template <typename StandIn, typename Product>
void ExpectAgree(const char* what, StandIn standIn, Product product)
{
    const auto a = static_cast<std::uint64_t>(standIn);
    const auto b = static_cast<std::uint64_t>(product);
    EXPECT_EQ(a, b) << what << ": stand-in 0x" << std::hex << std::uppercase << a
                    << " vs product 0x" << b;
}

void ExpectAgree(const char* what, const char* standIn, const char* product)
{
    EXPECT_STREQ(standIn, product)
        << what << ": stand-in \"" << standIn << "\" vs product \"" << product << "\"";
}

TEST(StandInAgreesWithTheProduct, OnTheMessageAndTheWindowClasses)
{
    ExpectAgree("message name", standin::kMessageName, simlink::kMessageName);
    ExpectAgree("primary window class", standin::kPrimaryWindowClass, simlink::kPrimaryWindowClass);
    ExpectAgree("fallback window class", standin::kFallbackWindowClass,
                simlink::kFallbackWindowClass);
    ExpectAgree("answer to a batch done", standin::kReplyDone, simlink::kReplyDone);
    ExpectAgree("the client's wait for an answer", standin::kClientWaitMs, simlink::kSendTimeoutMs);
}

TEST(StandInAgreesWithTheProduct, OnTheRequestBlock)
{
    ExpectAgree("block size", standin::kBlockSize, simlink::kBlockSize);
    ExpectAgree("block limit", standin::kBlockLimit, simlink::kBlockLimit);
    ExpectAgree("read header size", standin::kReadHeaderSize, simlink::kReadHeaderSize);
    ExpectAgree("write header size", standin::kWriteHeaderSize, simlink::kWriteHeaderSize);
    ExpectAgree("terminator size", standin::kTerminatorSize, simlink::kTerminatorSize);
    ExpectAgree("terminator type", standin::kRecordEnd, simlink::kRecordEnd);
    ExpectAgree("read type", standin::kRecordRead, simlink::kRecordRead);
    ExpectAgree("write type", standin::kRecordWrite, simlink::kRecordWrite);
    ExpectAgree("type field", standin::kFieldType, simlink::kFieldType);
    ExpectAgree("offset field", standin::kFieldOffset, simlink::kFieldOffset);
    ExpectAgree("size field", standin::kFieldSize, simlink::kFieldSize);
    ExpectAgree("destination field", standin::kFieldDestination, simlink::kFieldDestination);
}

// The stand-in maps only sections whose name it recognises, so a product
// naming its section another way would find every exchange refused.
TEST(StandInAgreesWithTheProduct, OnTheSectionName)
{
    for (std::uint32_t pid : {0u, 1u, 0x10u, 0x1A4u, 0xABCDEFu, 0xFFFFFFFFu}) {
        // The name the product gives its atom and section when it opens the link.
        fake::FakeOs os;
        os.processId = pid;
        simlink::Link link{os};
        std::int32_t result = simlink::IpcOk;
        ASSERT_TRUE(link.IpcOpen(0, result)) << result;
        const std::string name = os.atomsLive().begin()->first;
        EXPECT_TRUE(standin::IsLinkSectionName(name))
            << "pid 0x" << std::hex << pid << ": the stand-in refuses "
            << "the product's section name \"" << name << "\"";
    }
}

TEST(StandInAgreesWithTheProduct, OnTheSimulatorsVariables)
{
    ExpectAgree("version offset", standin::kOffsetVersion, simlink::kOffsetVersion);
    ExpectAgree("simulator id offset", standin::kOffsetSimulatorId, simlink::kOffsetSimulatorId);
    ExpectAgree("version the stand-in offers / the product requires", standin::kVersion,
                static_cast<std::uint32_t>(simlink::kMinimumVersion));
    ExpectAgree("id marker", standin::kIdMarker, simlink::kIdMarker);
    ExpectAgree("on-ground offset", standin::kOffsetOnGround, simlink::kOffsetOnGround);
    ExpectAgree("engine count offset", standin::kOffsetEngineCount, simlink::kOffsetEngineCount);
    ExpectAgree("feather capable offset", standin::kOffsetFeatherCapable,
                simlink::kOffsetFeatherCapable);
    ExpectAgree("battery master offset", standin::kOffsetBatteryMaster,
                simlink::kOffsetBatteryMaster);
    ExpectAgree("message text offset", standin::kOffsetMessageText, simlink::kOffsetMessageText);
    ExpectAgree("message text size", standin::kMessageTextSize, simlink::kMessageTextSize);
    ExpectAgree("message value offset", standin::kOffsetMessageValue, simlink::kOffsetMessageValue);
    ExpectAgree("message value shown", standin::kMessageShow, simlink::kMessageShow);
}

TEST(StandInAgreesWithTheProduct, OnEveryRowOfTheChecklist)
{
    ASSERT_EQ(standin::kSwitches.size(), shutdown::Checklist.size());
    for (std::size_t i = 0; i < shutdown::Checklist.size(); ++i) {
        const standin::Switch& ours = standin::kSwitches[i];
        const shutdown::ShutdownStep& theirs = shutdown::Checklist[i];
        SCOPED_TRACE("row " + std::to_string(i + 1) + ", stand-in \"" + ours.label + "\"");
        ExpectAgree("offset", ours.offset, theirs.offset);
        ExpectAgree("size", ours.size, theirs.size);
        ExpectAgree("engine", ours.engine, theirs.engine);
        ExpectAgree("label", ours.label, theirs.label);
    }
}

// The stand-in's interlock must act on the variables the product clears
// together.
TEST(StandInAgreesWithTheProduct, OnTheHoldsClearedTogether)
{
    ExpectAgree("glideslope hold", standin::kOffsetGlideslopeHold,
                shutdown::RowLabelled(shutdown::kGlideslopeRow).offset);
    ExpectAgree("approach hold", standin::kOffsetApproachHold, shutdown::kApproachHold.offset);
    ExpectAgree("approach hold size", standin::kHoldSize, shutdown::kApproachHold.size);
}

} // namespace
