// Aircraft states the stand-in starts from: the built-in scenarios and the
// scenario file format. Portable, so that the parser is unit-tested natively.
//
// A scenario file is plain text, one assignment per line:
//
//   # a comment, on its own line or after a value
//   base running-single        # optional, before any value: start from a built-in
//   0x0BC8  2  32767           # <offset> <size 1|2|4> <value>
//
// Offsets and values are decimal or 0x-prefixed hex; a value may be negative
// (stored as two's complement of its size). Later lines win over earlier ones
// and over the base. Everything not named is 0.
#pragma once

#include "Peer.h"

#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Assignment {
    SimOffset offset;
    std::uint32_t size;
    std::uint32_t value;
};

struct Scenario {
    std::string name;
    std::string description;
    std::vector<Assignment> values;
};

// cold-and-dark, running-single, running-twin, airborne (in that order).
const std::vector<Scenario>& BuiltInScenarios();
const Scenario* FindBuiltInScenario(std::string_view name);

// Parses a scenario file; on failure `error` says which line and why.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);
// A built-in name, or else the path of a scenario file.
bool LoadScenario(const std::string& nameOrPath, Scenario& scenario, std::string& error);
// The scenario in the file format, each line commented with its variable.
std::string FormatScenario(const Scenario& scenario);

void ApplyScenario(const Scenario& scenario, VariableSpace& vars);

// A short human name for a variable the stand-in knows ("Parking Brake",
// "On Ground"); empty for any other.
std::string VariableName(SimOffset offset);

} // namespace standin
