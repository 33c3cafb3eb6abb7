// The stand-in's command line and the fault modes it selects. Portable, so
// that both are unit-tested natively.
#pragma once

#include "Peer.h"
#include "Scenario.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// How the stand-in misbehaves. A ":N" on answer-zero, answer-two,
// never-answer, rewrite-destination and the corrupt modes is the first
// exchange it applies to (default 1).
struct Faults {
    std::uint32_t answerZeroFrom = 0; // 0: off
    std::uint32_t neverAnswerFrom = 0;
    std::uint32_t stallAt = 0; // 0: off
    std::uint32_t delayMs = 0;
    std::optional<std::uint32_t> stopAfter;
    std::optional<std::uint32_t> destroyAfter;
    bool versionZero = false;
    bool versionLow = false;
    bool badMarker = false;
    std::uint32_t corruptTypeFrom = 0;
    std::uint32_t corruptSizeFrom = 0;
    std::uint32_t corruptSecondFrom = 0;
    std::uint32_t rewriteDestinationFrom = 0;
    std::uint32_t answerTwoFrom = 0;
    std::vector<std::string> given; // as written on the command line, for display
};

// Longer than the client's 2000 ms wait for an answer.
inline constexpr std::uint32_t kNeverAnswerHoldMs = kClientWaitMs + 500;
inline constexpr std::uint32_t kLowVersion = kVersion - 1;
inline constexpr std::uint32_t kWrongMarker = 0xDEAD;
inline constexpr std::uint16_t kDefaultSimulatorId = 6;
// Neither "done" nor the 0 of a refusal: a client that only tests for 0 would
// take it for success.
inline constexpr std::uintptr_t kAnswerTwo = 2;

// What to do with the message of exchange number n (counted from 1).
struct ExchangePlan {
    std::uint32_t holdMs = 0;           // never-answer, stall: keep the sender waiting, then refuse
    std::uint32_t delayMs = 0;          // wait before carrying out
    bool carryOut = true;               // false: answer 0 and change nothing
    std::uintptr_t answer = kReplyDone; // to a batch carried out
    Corruption corruption = Corruption::None;
    bool destroyWindow = false; // after answering
};
ExchangePlan PlanExchange(const Faults& faults, std::uint32_t exchange);

struct Options {
    std::string scenario = "running-single";
    std::string windowClass = kPrimaryWindowClass;
    std::string journalPath;
    std::uint32_t lifetimeMs = 0; // 0: until closed
    std::uint16_t simulatorId = kDefaultSimulatorId;
    bool echo = false;
    bool interlock = false; // FS2002's interlock of the glideslope and approach holds
    bool help = false;
    std::string printScenario; // print this scenario in the file format and quit
    Faults faults;
};

// `args` without the program name. On failure `error` says what was wrong.
bool ParseArgs(const std::vector<std::string>& args, Options& options, std::string& error);
std::string HelpText();

// The variable space a run starts with: the handshake values, then the
// scenario, then whatever the fault modes change in the handshake values.
// Under the interlock, a glideslope hold on has the approach hold on too.
void InitialiseVariables(VariableSpace& vars, const Scenario& scenario, const Options& options);

} // namespace standin
