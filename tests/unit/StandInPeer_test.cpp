// The simulator stand-in's portable core: carrying out request blocks, the
// journal's format, scenarios and the command line.
#include "Args.h"
#include "Journal.h"
#include "Peer.h"
#include "Scenario.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace standin;

// Builds a block the way the client lays it out.
class Batch {
  public:
    Batch() : block(kBlockSize, 0) {}

    // Returns where the reply area starts.
    std::uint32_t Read(SimOffset offset, std::uint32_t size, std::uint32_t type = kRecordRead)
    {
        Put(type);
        Put(offset);
        Put(size);
        Put(0x1234);
        const std::uint32_t reply = at_;
        at_ += size;
        return reply;
    }
    void Write(SimOffset offset, const std::vector<std::uint8_t>& bytes)
    {
        Put(kRecordWrite);
        Put(offset);
        Put(static_cast<std::uint32_t>(bytes.size()));
        for (std::uint8_t byte : bytes)
            block[at_++] = byte;
    }
    void WriteValue(SimOffset offset, std::uint32_t size, std::uint32_t value)
    {
        std::vector<std::uint8_t> bytes;
        for (std::uint32_t i = 0; i < size; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        Write(offset, bytes);
    }
    void End() { Put(kRecordEnd); }
    void Put(std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            block[at_++] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::uint32_t U32(std::uint32_t at) const
    {
        return block[at] | block[at + 1] << 8 | block[at + 2] << 16 |
               static_cast<std::uint32_t>(block[at + 3]) << 24;
    }
    Outcome CarryOutOn(VariableSpace& vars) { return CarryOut(block.data(), block.size(), vars); }

    std::vector<std::uint8_t> block;

  private:
    std::uint32_t at_ = 0;
};

class StandInPeer : public ::testing::Test {
  protected:
    std::unique_ptr<VariableSpace> owned = std::make_unique<VariableSpace>();
    VariableSpace& vars = *owned;
    Batch batch;

    void ExpectRefusedUntouched()
    {
        const std::vector<std::uint8_t> blockBefore = batch.block;
        const auto varsBefore = std::make_unique<VariableSpace>(vars);
        const Outcome outcome = batch.CarryOutOn(vars);
        EXPECT_FALSE(outcome.carriedOut);
        EXPECT_NE(outcome.refusal, nullptr);
        EXPECT_TRUE(outcome.records.empty());
        EXPECT_EQ(batch.block, blockBefore);
        EXPECT_TRUE(vars == *varsBefore);
    }
};

TEST_F(StandInPeer, ReadsFillTheReplyAreasAndLeaveEveryHeaderAsWritten)
{
    SetValue(vars, 0x0366, 2, 1);
    SetValue(vars, 0x3304, 4, 0x19980005);
    SetValue(vars, 0x029C, 1, 0xAB);
    const std::uint32_t ground = batch.Read(0x0366, 2);
    const std::uint32_t version = batch.Read(0x3304, 4);
    const std::uint32_t pitot = batch.Read(0x029C, 1);
    batch.End();
    std::vector<std::uint8_t> expected = batch.block;
    expected[ground] = 1;
    expected[version] = 0x05;
    expected[version + 1] = 0x00;
    expected[version + 2] = 0x98;
    expected[version + 3] = 0x19;
    expected[pitot] = 0xAB;

    const Outcome outcome = batch.CarryOutOn(vars);
    ASSERT_TRUE(outcome.carriedOut);
    EXPECT_EQ(batch.block, expected) << "only the reply areas change";
    ASSERT_EQ(outcome.records.size(), 3u);
    EXPECT_EQ(outcome.records[1].kind, 'R');
    EXPECT_EQ(outcome.records[1].offset, 0x3304u);
    EXPECT_EQ(outcome.records[1].bytes, (std::vector<std::uint8_t>{0x05, 0x00, 0x98, 0x19}));
}

TEST_F(StandInPeer, RecordsAreCarriedOutInOrder)
{
    SetValue(vars, 0x0BC8, 2, 32767);
    const std::uint32_t before = batch.Read(0x0BC8, 2);
    batch.WriteValue(0x0BC8, 2, 0);
    const std::uint32_t after = batch.Read(0x0BC8, 2);
    batch.End();
    ASSERT_TRUE(batch.CarryOutOn(vars).carriedOut);
    EXPECT_EQ(batch.U32(before) & 0xFFFF, 32767u);
    EXPECT_EQ(batch.U32(after) & 0xFFFF, 0u);
    EXPECT_EQ(GetValue(vars, 0x0BC8, 2), 0u);
}

TEST_F(StandInPeer, WritesStoreExactlyTheirBytes)
{
    SetValue(vars, 0x3380 + 128, 1, 0x77); // just past the text
    std::vector<std::uint8_t> text(128, 0);
    std::memcpy(text.data(), "Shutdown:  Flaps Up", 19);
    batch.Write(0x3380, text);
    batch.WriteValue(0x32FA, 2, 5);
    batch.End();
    const Outcome outcome = batch.CarryOutOn(vars);
    ASSERT_TRUE(outcome.carriedOut);
    EXPECT_EQ(MessageText(vars.data() + 0x3380, 128), "Shutdown:  Flaps Up");
    EXPECT_EQ(GetValue(vars, 0x32FA, 2), 5u);
    EXPECT_EQ(GetValue(vars, 0x3380 + 128, 1), 0x77u);
    EXPECT_EQ(outcome.records[0].bytes, text);
}

TEST_F(StandInPeer, EmptyBatchesAndZeroSizesAreFine)
{
    batch.End();
    Outcome outcome = batch.CarryOutOn(vars);
    EXPECT_TRUE(outcome.carriedOut);
    EXPECT_TRUE(outcome.records.empty());

    Batch zero;
    zero.Read(0x0BC8, 0);
    zero.End();
    outcome = zero.CarryOutOn(vars);
    ASSERT_TRUE(outcome.carriedOut);
    ASSERT_EQ(outcome.records.size(), 1u);
    EXPECT_TRUE(outcome.records[0].bytes.empty());
}

TEST_F(StandInPeer, TheLargestBatchTheClientCanQueueIsAccepted)
{
    batch.Read(0, kBlockLimit - kReadHeaderSize - kTerminatorSize);
    batch.End();
    EXPECT_TRUE(batch.CarryOutOn(vars).carriedOut);
}

TEST_F(StandInPeer, RefusesUnknownRecordTypesWithoutDoingAnyOfTheBatch)
{
    SetValue(vars, 0x0BC8, 2, 32767);
    batch.WriteValue(0x0BC8, 2, 0); // a good record before the bad one
    batch.Read(0x0366, 2, 3);
    batch.End();
    ExpectRefusedUntouched();
    EXPECT_EQ(GetValue(vars, 0x0BC8, 2), 32767u);
}

TEST_F(StandInPeer, ReadsTheTypeAsAWholeWord)
{
    batch.Read(0x0366, 2, 0x00010001);
    batch.End();
    ExpectRefusedUntouched();
}

TEST_F(StandInPeer, RefusesARecordThatPassesTheUsableBlock)
{
    batch.Read(0, kBlockLimit - kReadHeaderSize - kTerminatorSize + 1);
    ExpectRefusedUntouched();
}

TEST_F(StandInPeer, RefusesABatchWithoutATerminatorBeforeTheLimit)
{
    // Records of zero size up to the limit, then nothing but more of them.
    Batch full;
    for (std::uint32_t at = 0; at + kReadHeaderSize <= kBlockLimit; at += kReadHeaderSize)
        full.Read(0, 0);
    batch = full;
    ExpectRefusedUntouched();
}

TEST_F(StandInPeer, RefusesSizesThatWouldWrapAround)
{
    batch.Read(0x10, 0xFFFFFFF8); // no terminator: the size would wrap the builder round
    ExpectRefusedUntouched();
}

TEST_F(StandInPeer, RefusesVariableRangesBeyondTheVariableSpace)
{
    batch.Read(0xFFFF, 2);
    batch.End();
    ExpectRefusedUntouched();

    Batch wrap;
    wrap.Read(0xFFFFFFFE, 4);
    wrap.End();
    batch = wrap;
    ExpectRefusedUntouched();

    Batch last;
    last.WriteValue(0xFFFF, 1, 9);
    last.End();
    EXPECT_TRUE(last.CarryOutOn(vars).carriedOut) << "the very last byte is fine";
    EXPECT_EQ(vars[0xFFFF], 9);
}

TEST_F(StandInPeer, RefusesASectionSmallerThanABlock)
{
    batch.Read(0x0366, 2);
    batch.End();
    EXPECT_FALSE(CarryOut(batch.block.data(), kBlockSize - 1, vars).carriedOut);
    EXPECT_FALSE(CarryOut(nullptr, kBlockSize, vars).carriedOut);
}

TEST_F(StandInPeer, EachCorruptionDamagesOnlyItsOwnField)
{
    batch.Read(0x0366, 2);
    batch.Read(0x0AEC, 2);
    batch.End();
    const Outcome outcome = batch.CarryOutOn(vars);
    ASSERT_TRUE(outcome.carriedOut);
    ASSERT_EQ(outcome.end, 36u);
    auto damaged = [&](Corruption corruption) {
        Batch copy = batch;
        Corrupt(copy.block.data(), corruption, outcome);
        return copy;
    };
    // Every byte that differs from the batch as carried out lies in these words.
    auto onlyIn = [&](const Batch& copy, std::vector<std::uint32_t> words) {
        for (std::uint32_t i = 0; i < kBlockSize; ++i) {
            bool inside = false;
            for (std::uint32_t word : words)
                inside = inside || (i >= word && i < word + 4);
            if (copy.block[i] != batch.block[i] && !inside)
                return false;
        }
        return true;
    };

    const Batch typed = damaged(Corruption::UnknownType);
    EXPECT_EQ(typed.U32(0), kCorruptType);
    EXPECT_TRUE(onlyIn(typed, {0}));

    const Batch sized = damaged(Corruption::SizePastBlock);
    EXPECT_GT(sized.U32(8), kBlockSize);
    EXPECT_TRUE(onlyIn(sized, {8}));

    const Batch second = damaged(Corruption::SecondType);
    EXPECT_EQ(second.U32(18), kCorruptType) << "the second record starts after 16 + 2 bytes";
    EXPECT_TRUE(onlyIn(second, {18}));

    const Batch foreign = damaged(Corruption::ForeignDestination);
    EXPECT_EQ(foreign.U32(12), kForeignDestination);
    EXPECT_EQ(foreign.U32(30), kForeignDestination);
    EXPECT_TRUE(onlyIn(foreign, {12, 30}));

    // A batch of one record: the terminator is what comes after the first.
    Batch one;
    one.WriteValue(0x3102, 1, 1);
    one.End();
    const Outcome single = one.CarryOutOn(vars);
    Corrupt(one.block.data(), Corruption::SecondType, single);
    EXPECT_EQ(one.U32(13), kCorruptType);
    Corrupt(one.block.data(), Corruption::ForeignDestination, single);
    EXPECT_EQ(one.U32(8), 1u) << "a write has no destination to rewrite";
}

// Each batch as the stand-in carries it out under --interlock.
TEST_F(StandInPeer, TheInterlockClearsTheHoldsOnlyTogether)
{
    using Holds = std::pair<std::uint32_t, std::uint32_t>; // glideslope, approach
    auto exchange = [&](const std::vector<Holds>& writes) {
        Batch writing;
        for (const auto& [offset, value] : writes)
            writing.WriteValue(offset, 4, value);
        writing.End();
        const std::uint32_t glideslope = GetValue(vars, 0x07FC, 4);
        ApplyInterlock(vars, glideslope, writing.CarryOutOn(vars));
        return Holds{GetValue(vars, 0x07FC, 4), GetValue(vars, 0x0800, 4)};
    };
    EXPECT_EQ(exchange({{0x07FC, 1}}), Holds(1, 1)) << "the glideslope hold sets the approach hold";
    EXPECT_EQ(exchange({{0x0800, 0}}), Holds(1, 1)) << "and holds it on";
    EXPECT_EQ(exchange({{0x07FC, 0}}), Holds(1, 1)) << "cleared a frame apart, both stay on";
    EXPECT_EQ(exchange({{0x07FC, 0}, {0x0800, 0}}), Holds(0, 0));
    EXPECT_EQ(exchange({{0x0800, 1}}), Holds(0, 1));
    EXPECT_EQ(exchange({{0x0800, 0}}), Holds(0, 0)) << "the approach hold alone clears alone";

    // Started from a scenario: the glideslope hold brings the approach hold.
    Options options;
    options.interlock = true;
    Scenario armed;
    armed.values = {{0x07FC, 4, 1}};
    InitialiseVariables(vars, armed, options);
    EXPECT_EQ(GetValue(vars, 0x0800, 4), 1u);
}

// The stand-in writes into whatever section it maps, so it maps only one
// spelled exactly as a client names its own.
TEST(StandInSection, OnlyLinkSectionNamesAreMapped)
{
    for (const char* name : {"FSASMLIB:IPC:0:1", "FSASMLIB:IPC:1A4:1", "FSASMLIB:IPC:FFFFFFFF:1"})
        EXPECT_TRUE(IsLinkSectionName(name)) << name;
    for (const char* name :
         {"FSASMLIB:IPC:1a4:1", "FSASMLIB:IPC:01A4:1", "FSASMLIB:IPC:1A4:2", "FSASMLIB:IPC::1",
          "FSASMLIB:IPC:100000000:1", "FSASMLIB:IPC:1A4:1:x", "FSASMLIB:IPC:1A4", "FSASMLIB:IPC",
          "SomebodyElsesSection", "FSASMLIB:IPX:1A4:1"})
        EXPECT_FALSE(IsLinkSectionName(name)) << name;
}

// --- The journal ---------------------------------------------------------------

TEST(StandInJournal, LinesHaveTheDocumentedFields)
{
    const RecordDone read{'R', 0x0BC8, 2, {0xFF, 0x7F}};
    EXPECT_EQ(JournalLine(7, 123456, read), "7\t123456\tR\t0x0BC8\t2\t32767\n");
    const RecordDone battery{'W', 0x3102, 1, {1}};
    EXPECT_EQ(JournalLine(1, 0, battery), "1\t0\tW\t0x3102\t1\t1\n");
    const RecordDone marker{'R', 0x3308, 4, {0x06, 0x00, 0xDE, 0xFA}};
    EXPECT_EQ(JournalValue(marker), "4208852998");
}

TEST(StandInJournal, TheMessageTextIsQuotedUpToItsFirstZero)
{
    std::vector<std::uint8_t> field(128, 0);
    const std::string text = "Shutdown:  \"A\\B\"\t";
    std::memcpy(field.data(), text.data(), text.size());
    field[text.size() + 1] = 'X'; // after the zero: not shown
    const RecordDone write{'W', 0x3380, 128, field};
    EXPECT_EQ(JournalValue(write), "\"Shutdown:  \\\"A\\\\B\\\"\\x09\"");

    const RecordDone readBack{'R', 0x3380, 128, field};
    EXPECT_EQ(JournalValue(readBack).size(), 256u) << "a read of the text is hex";
}

TEST(StandInJournal, OtherSizesAreLowercaseHex)
{
    const RecordDone odd{'W', 0x1000, 3, {0xAB, 0x01, 0xFF}};
    EXPECT_EQ(JournalValue(odd), "ab01ff");
    const RecordDone none{'R', 0x1000, 0, {}};
    EXPECT_EQ(JournalLine(2, 5, none), "2\t5\tR\t0x1000\t0\t\n");
}

// --- Scenarios -------------------------------------------------------------------

std::uint32_t Value(const Scenario& scenario, SimOffset offset, std::uint32_t size)
{
    auto vars = std::make_unique<VariableSpace>();
    ApplyScenario(scenario, *vars);
    return GetValue(*vars, offset, size);
}

TEST(StandInScenario, BuiltInsDescribeTheirAircraft)
{
    const Scenario* cold = FindBuiltInScenario("cold-and-dark");
    ASSERT_NE(cold, nullptr);
    EXPECT_EQ(Value(*cold, kOffsetOnGround, 2), 1u);
    EXPECT_EQ(Value(*cold, 0x0BC8, 2), 32767u);
    EXPECT_EQ(Value(*cold, kOffsetBatteryMaster, 1), 0u);
    for (const Switch& item : kSwitches) {
        if (item.offset != 0x0BC8) {
            EXPECT_EQ(Value(*cold, item.offset, item.size), 0u) << item.name;
        }
    }

    const Scenario* single = FindBuiltInScenario("running-single");
    ASSERT_NE(single, nullptr);
    EXPECT_EQ(Value(*single, kOffsetEngineCount, 2), 1u);
    EXPECT_EQ(Value(*single, kOffsetBatteryMaster, 1), 1u);
    EXPECT_EQ(Value(*single, 0x0BC8, 2), 0u) << "brake released";
    EXPECT_NE(Value(*single, 0x0BDC, 4), 0u) << "flaps down";
    EXPECT_NE(Value(*single, 0x0890, 2), 0u) << "mixture";
    EXPECT_NE(Value(*single, 0x3B78, 4), 0u) << "alternator";
    EXPECT_EQ(Value(*single, 0x0892, 2), 0u) << "starter";
    EXPECT_NE(Value(*single, 0x07BC, 4), 0u) << "autopilot";

    const Scenario* twin = FindBuiltInScenario("running-twin");
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(Value(*twin, kOffsetEngineCount, 2), 2u);
    EXPECT_EQ(Value(*twin, kOffsetFeatherCapable, 2), 1u);
    for (SimOffset engine2 : {0x3AB8u, 0x0926u, 0x0928u})
        EXPECT_NE(Value(*twin, engine2, 2), 0u);

    const Scenario* airborne = FindBuiltInScenario("airborne");
    ASSERT_NE(airborne, nullptr);
    EXPECT_EQ(Value(*airborne, kOffsetOnGround, 2), 0u);

    // No running scenario holds a value the shutdown takes as already off.
    for (const Scenario* running : {single, twin})
        for (const Switch& item : kSwitches)
            EXPECT_NE(Value(*running, item.offset, item.size), 64u) << item.name;
}

TEST(StandInScenario, FilesParseWithCommentsBasesAndEitherNotation)
{
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario("# my aircraft\n"
                              "base cold-and-dark   # start parked\n"
                              "\n"
                              "0x0BC8 2 0           # brake released\n"
                              "3340 2 0x1B\n"
                              "0x3102\t1\t-1\n",
                              scenario, error))
        << error;
    EXPECT_EQ(Value(scenario, kOffsetOnGround, 2), 1u) << "from the base";
    EXPECT_EQ(Value(scenario, 0x0BC8, 2), 0u) << "later lines win";
    EXPECT_EQ(Value(scenario, 0x0D0C, 2), 0x1Bu);
    EXPECT_EQ(Value(scenario, 0x3102, 1), 0xFFu);
}

TEST(StandInScenario, ErrorsNameTheLineAndTheFault)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0x0BC8 3 1", "line 1: size '3'"},
        {"\n0x0BC8 2 65536", "line 2: value '65536'"},
        {"0x0BC8 1 -129", "value '-129'"},
        {"0x10000 1 0", "offset"},
        {"0xFFFF 2 0", "passes the end"},
        {"0x0BC8 2", "expected '<offset> <size> <value>'"},
        {"0x0BC8 2 12abc", "value '12abc'"},
        {"base nowhere", "no built-in scenario"},
        {"0x0BC8 2 0\nbase cold-and-dark", "line 2: 'base' must come before"},
    };
    for (const auto& [text, expected] : cases) {
        Scenario scenario;
        std::string error;
        EXPECT_FALSE(ParseScenario(text, scenario, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << " -> " << error;
    }
}

TEST(StandInScenario, BuiltInsRoundTripThroughTheFileFormat)
{
    for (const Scenario& builtIn : BuiltInScenarios()) {
        const std::string text = FormatScenario(builtIn);
        Scenario parsed;
        std::string error;
        ASSERT_TRUE(ParseScenario(text, parsed, error)) << builtIn.name << ": " << error;
        auto a = std::make_unique<VariableSpace>();
        auto b = std::make_unique<VariableSpace>();
        ApplyScenario(builtIn, *a);
        ApplyScenario(parsed, *b);
        EXPECT_TRUE(*a == *b) << builtIn.name;
    }
    EXPECT_NE(FormatScenario(*FindBuiltInScenario("cold-and-dark")).find("# Parking Brake"),
              std::string::npos);
}

TEST(StandInScenario, LoadingNamesAMissingFile)
{
    Scenario scenario;
    std::string error;
    EXPECT_FALSE(LoadScenario("no-such-scenario.txt", scenario, error));
    EXPECT_NE(error.find("no-such-scenario.txt"), std::string::npos);
}

TEST(StandInScenario, VariablesAreNamedForThePanel)
{
    EXPECT_EQ(VariableName(0x0BC8), "Parking Brake");
    EXPECT_EQ(VariableName(0x0926), "Engine 2 Propeller");
    EXPECT_EQ(VariableName(kOffsetOnGround), "On Ground");
    EXPECT_EQ(VariableName(0x1234), "");
}

// --- The command line and the fault modes ------------------------------------

bool Parse(const std::vector<std::string>& args, Options& options, std::string& error)
{
    options = Options{};
    error.clear();
    return ParseArgs(args, options, error);
}

TEST(StandInArgs, ReadsEveryOption)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--scenario", "running-twin", "--class", "FS98MAIN", "--journal=j.txt",
                       "--lifetime", "2.5", "--id", "0x1F", "--echo", "--interlock", "--fault",
                       "delay:40", "--fault", "version-low"},
                      options, error))
        << error;
    EXPECT_EQ(options.scenario, "running-twin");
    EXPECT_EQ(options.windowClass, "FS98MAIN");
    EXPECT_EQ(options.journalPath, "j.txt");
    EXPECT_EQ(options.lifetimeMs, 2500u);
    EXPECT_EQ(options.simulatorId, 0x1F);
    EXPECT_TRUE(options.echo);
    EXPECT_TRUE(options.interlock);
    EXPECT_EQ(options.faults.delayMs, 40u);
    EXPECT_TRUE(options.faults.versionLow);
    EXPECT_EQ(options.faults.given, (std::vector<std::string>{"delay:40", "version-low"}));

    ASSERT_TRUE(Parse({}, options, error));
    EXPECT_EQ(options.windowClass, "UIPCMAIN");
    EXPECT_EQ(options.simulatorId, kDefaultSimulatorId);
    EXPECT_EQ(options.lifetimeMs, 0u);
    EXPECT_FALSE(options.interlock);
}

TEST(StandInArgs, RefusesBadArgumentsWithAReason)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--bogus"}, "unknown argument '--bogus'"},
        {{"--scenario"}, "--scenario needs a value"},
        {{"--class", "WINDOW"}, "UIPCMAIN or FS98MAIN"},
        {{"--id", "65536"}, "--id"},
        {{"--id", "-1"}, "--id"},
        {{"--id", "six"}, "--id"},
        {{"--lifetime", "0"}, "--lifetime"},
        {{"--lifetime", "soon"}, "--lifetime"},
        {{"--fault", "explode"}, "unknown mode 'explode'"},
        {{"--fault", "delay"}, "needs a number"},
        {{"--fault", "destroy-after:0"}, "at least 1"},
        {{"--fault", "version-low:3"}, "takes no number"},
        {{"--fault", "stop-after:x"}, "not a whole number"},
        {{"--fault", "answer-zero:0"}, "counted from 1"},
    };
    for (const auto& [args, expected] : cases) {
        Options options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error)) << args[0];
        EXPECT_NE(error.find(expected), std::string::npos) << args[0] << " -> " << error;
    }
}

TEST(StandInArgs, HelpListsEveryScenarioAndFaultMode)
{
    const std::string help = HelpText();
    for (const Scenario& scenario : BuiltInScenarios())
        EXPECT_NE(help.find(scenario.name), std::string::npos) << scenario.name;
    for (const char* mode :
         {"answer-zero", "never-answer", "stall:N", "delay:MS", "stop-after:N", "destroy-after:N",
          "version-zero", "version-low", "bad-marker", "corrupt-type", "corrupt-size",
          "corrupt-second", "rewrite-destination", "answer-two"})
        EXPECT_NE(help.find(mode), std::string::npos) << mode;
}

TEST(StandInFaults, PlansFollowTheExchangeCount)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse(
        {"--fault", "stop-after:2", "--fault", "destroy-after:2", "--fault", "corrupt-type:2"},
        options, error));
    const ExchangePlan first = PlanExchange(options.faults, 1);
    EXPECT_TRUE(first.carryOut);
    EXPECT_EQ(first.corruption, Corruption::None);
    EXPECT_FALSE(first.destroyWindow);
    const ExchangePlan second = PlanExchange(options.faults, 2);
    EXPECT_TRUE(second.carryOut);
    EXPECT_EQ(second.corruption, Corruption::UnknownType);
    EXPECT_TRUE(second.destroyWindow);
    EXPECT_FALSE(PlanExchange(options.faults, 3).carryOut);

    ASSERT_TRUE(Parse({"--fault", "never-answer:3", "--fault", "delay:15"}, options, error));
    EXPECT_EQ(PlanExchange(options.faults, 2).holdMs, 0u);
    EXPECT_EQ(PlanExchange(options.faults, 2).delayMs, 15u);
    EXPECT_GT(PlanExchange(options.faults, 3).holdMs, kClientWaitMs);

    EXPECT_FALSE(PlanExchange(options.faults, 3).carryOut);

    ASSERT_TRUE(Parse({"--fault", "corrupt-size"}, options, error));
    EXPECT_EQ(PlanExchange(options.faults, 1).corruption, Corruption::SizePastBlock);
    EXPECT_EQ(PlanExchange(options.faults, 1).answer, kReplyDone);

    ASSERT_TRUE(Parse({"--fault", "corrupt-second:2", "--fault", "answer-two:3"}, options, error));
    EXPECT_EQ(PlanExchange(options.faults, 1).corruption, Corruption::None);
    EXPECT_EQ(PlanExchange(options.faults, 2).corruption, Corruption::SecondType);
    EXPECT_EQ(PlanExchange(options.faults, 2).answer, kReplyDone);
    EXPECT_TRUE(PlanExchange(options.faults, 3).carryOut) << "answer-two carries the batch out";
    EXPECT_EQ(PlanExchange(options.faults, 3).answer, 2u);
    ASSERT_TRUE(Parse({"--fault", "rewrite-destination"}, options, error));
    EXPECT_EQ(PlanExchange(options.faults, 1).corruption, Corruption::ForeignDestination);
    ASSERT_TRUE(Parse({"--fault", "stop-after:0"}, options, error));
    EXPECT_FALSE(PlanExchange(options.faults, 1).carryOut);
}

TEST(StandInFaults, HandshakeValuesFollowTheOptions)
{
    auto vars = std::make_unique<VariableSpace>();
    const Scenario& cold = *FindBuiltInScenario("cold-and-dark");
    Options options;
    std::string error;

    ASSERT_TRUE(Parse({"--id", "9"}, options, error));
    InitialiseVariables(*vars, cold, options);
    EXPECT_EQ(GetValue(*vars, kOffsetVersion, 4), 0x19980005u);
    EXPECT_EQ(GetValue(*vars, kOffsetSimulatorId, 4), 0xFADE0009u);
    EXPECT_EQ(GetValue(*vars, 0x0BC8, 2), 32767u) << "the scenario is applied too";

    ASSERT_TRUE(Parse({"--fault", "version-low", "--fault", "bad-marker"}, options, error));
    InitialiseVariables(*vars, cold, options);
    EXPECT_EQ(GetValue(*vars, kOffsetVersion, 4), 0x19980004u);
    EXPECT_EQ(GetValue(*vars, kOffsetSimulatorId, 4) >> 16, kWrongMarker);

    ASSERT_TRUE(Parse({"--fault", "version-zero"}, options, error));
    InitialiseVariables(*vars, cold, options);
    EXPECT_EQ(GetValue(*vars, kOffsetVersion, 4), 0u);
    EXPECT_EQ(GetValue(*vars, kOffsetSimulatorId, 4), 0u);
}

} // namespace
