#include "Scenario.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace standin {

namespace {

// Variables outside the checklist that a scenario sets or the panel shows.
struct Named {
    SimOffset offset;
    const char* name;
};
constexpr Named kOtherVariables[] = {
    {kOffsetOnGround, "On Ground"},
    {kOffsetEngineCount, "Engine Count"},
    {kOffsetFeatherCapable, "Feather Capable"},
    {kOffsetVersion, "Version"},
    {kOffsetSimulatorId, "Simulator Id"},
    {kOffsetMessageValue, "Message Value"},
    {kOffsetMessageText, "Message Text"},
};

// The settings of a piston engine that runs: full mixture and propeller, the
// alternator on, the starter released, carb heat off.
void AddRunningEngine(std::vector<Assignment>& values, int engine)
{
    const std::uint32_t step = 0x98 * static_cast<std::uint32_t>(engine - 1);
    values.push_back({0x08B2 + step, 2, 0});                                          // carb heat
    values.push_back({0x3B78 - 0xC0 * static_cast<std::uint32_t>(engine - 1), 4, 1}); // alternator
    values.push_back({0x088E + step, 2, 16384});                                      // propeller
    values.push_back({0x0890 + step, 2, 16384});                                      // mixture
    values.push_back({0x0892 + step, 2, 0});                                          // starter
}

// Everything a pilot leaves on while taxiing: avionics, autopilot modes,
// lights, pitot heat, flaps for take-off, the brake released.
std::vector<Assignment> Running(int engines, bool onGround)
{
    std::vector<Assignment> values = {
        {kOffsetOnGround, 2, onGround ? 1u : 0u},
        {kOffsetEngineCount, 2, static_cast<std::uint32_t>(engines)},
        {kOffsetFeatherCapable, 2, engines > 1 ? 1u : 0u},
        {0x0BC8, 2, 0},                      // parking brake released
        {0x0BDC, 4, onGround ? 16383u : 0u}, // flaps
        {0x0BD0, 4, 0},                      // spoilers
        {0x0BC0, 2, 1200},                   // elevator trim
        {0x029C, 1, 1},                      // pitot heat
        {0x07BC, 4, 1},                      // AP master
        {0x07C8, 4, 1},                      // AP heading
        {0x07D0, 4, 1},                      // AP altitude
        {0x07C4, 4, 1},                      // AP NAV
        {0x07EC, 4, 1},                      // AP vertical speed
        {0x0808, 4, 1},                      // AP yaw damper
        {0x3122, 1, 0xC0},                   // radio audio: COM1 and COM2
        {0x3103, 1, 1},                      // avionics master
        {0x3104, 1, 1},                      // fuel pump
        {0x0D0C, 2, 0x1B},                   // lights: nav, beacon, taxi, strobes
        {kOffsetBatteryMaster, 1, 1},
    };
    for (int engine = 1; engine <= engines; ++engine)
        AddRunningEngine(values, engine);
    return values;
}

std::vector<Scenario> MakeBuiltIns()
{
    return {
        {"cold-and-dark",
         "single-engine aircraft parked on the ground: everything off, parking brake set",
         {{kOffsetOnGround, 2, 1}, {kOffsetEngineCount, 2, 1}, {0x0BC8, 2, 32767}}},
        {"running-single",
         "single-engine piston on the ground, engine running, everything on, brake released",
         Running(1, true)},
        {"running-twin",
         "twin piston with feathering propellers on the ground, both engines running",
         Running(2, true)},
        {"airborne", "single-engine piston in flight (the shutdown refuses to run)",
         Running(1, false)},
    };
}

// Decimal or 0x-prefixed hex, optionally negative; false on anything else.
bool ParseNumber(const std::string& token, long long& value)
{
    if (token.empty())
        return false;
    const bool negative = token[0] == '-';
    const std::string digits = negative ? token.substr(1) : token;
    int base = 10;
    std::string body = digits;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        body = digits.substr(2);
    }
    if (body.empty() || body.size() > 10)
        return false;
    for (char c : body) {
        const bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                                   : std::isdigit(static_cast<unsigned char>(c)) != 0;
        if (!ok)
            return false;
    }
    const long long magnitude = std::strtoll(body.c_str(), nullptr, base);
    value = negative ? -magnitude : magnitude;
    return true;
}

bool ParseAssignment(const std::vector<std::string>& tokens, Assignment& assignment,
                     std::string& why)
{
    long long offset = 0, size = 0, value = 0;
    if (!ParseNumber(tokens[0], offset) || offset < 0 || offset >= kVariableSpaceSize) {
        why = "offset '" + tokens[0] + "' is not a number from 0 to 0xFFFF";
        return false;
    }
    if (!ParseNumber(tokens[1], size) || (size != 1 && size != 2 && size != 4)) {
        why = "size '" + tokens[1] + "' must be 1, 2 or 4";
        return false;
    }
    if (offset + size > kVariableSpaceSize) {
        why = "the variable passes the end of the variable space";
        return false;
    }
    const long long bits = 8 * size;
    const long long highest = (1LL << bits) - 1;
    const long long lowest = -(1LL << (bits - 1));
    if (!ParseNumber(tokens[2], value) || value > highest || value < lowest) {
        why = "value '" + tokens[2] + "' does not fit in " + tokens[1] + " byte(s)";
        return false;
    }
    assignment = {static_cast<SimOffset>(offset), static_cast<std::uint32_t>(size),
                  static_cast<std::uint32_t>(value & highest)};
    return true;
}

} // namespace

const std::vector<Scenario>& BuiltInScenarios()
{
    static const std::vector<Scenario> scenarios = MakeBuiltIns();
    return scenarios;
}

const Scenario* FindBuiltInScenario(std::string_view name)
{
    for (const Scenario& scenario : BuiltInScenarios())
        if (scenario.name == name)
            return &scenario;
    return nullptr;
}

bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error)
{
    Scenario parsed;
    std::istringstream lines{std::string(text)};
    std::string line;
    int number = 0;
    bool valuesSeen = false;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (const std::size_t comment = line.find('#'); comment != std::string::npos)
            line.resize(comment);
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;)
            tokens.push_back(word);
        if (tokens.empty())
            continue;
        if (tokens[0] == "base") {
            if (tokens.size() != 2)
                return fail("'base' takes one scenario name");
            if (valuesSeen)
                return fail("'base' must come before every value");
            const Scenario* base = FindBuiltInScenario(tokens[1]);
            if (base == nullptr)
                return fail("no built-in scenario is called '" + tokens[1] + "'");
            parsed.values = base->values;
            parsed.description = "based on " + base->name;
            valuesSeen = true;
            continue;
        }
        if (tokens.size() != 3)
            return fail("expected '<offset> <size> <value>', found " +
                        std::to_string(tokens.size()) + " word(s)");
        Assignment assignment{};
        std::string why;
        if (!ParseAssignment(tokens, assignment, why))
            return fail(why);
        parsed.values.push_back(assignment);
        valuesSeen = true;
    }
    scenario.values = std::move(parsed.values);
    scenario.description = std::move(parsed.description);
    return true;
}

bool LoadScenario(const std::string& nameOrPath, Scenario& scenario, std::string& error)
{
    if (const Scenario* builtIn = FindBuiltInScenario(nameOrPath)) {
        scenario = *builtIn;
        return true;
    }
    std::ifstream file(nameOrPath, std::ios::binary);
    if (!file) {
        error = "'" + nameOrPath + "' is neither a built-in scenario nor a readable file";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    scenario.name = nameOrPath;
    if (!ParseScenario(text.str(), scenario, error)) {
        error = nameOrPath + ", " + error;
        return false;
    }
    return true;
}

std::string FormatScenario(const Scenario& scenario)
{
    std::string text = "# Scenario " + scenario.name;
    if (!scenario.description.empty())
        text += ": " + scenario.description;
    text += "\n# <offset> <size> <value>\n";
    for (const Assignment& value : scenario.values) {
        char line[64];
        std::snprintf(line, sizeof line, "0x%04X %u %-10u", static_cast<unsigned>(value.offset),
                      static_cast<unsigned>(value.size), static_cast<unsigned>(value.value));
        text += line;
        const std::string name = VariableName(value.offset);
        if (!name.empty())
            text += "# " + name;
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        text += "\n";
    }
    return text;
}

void ApplyScenario(const Scenario& scenario, VariableSpace& vars)
{
    for (const Assignment& value : scenario.values)
        SetValue(vars, value.offset, value.size, value.value);
}

std::string VariableName(SimOffset offset)
{
    for (const Switch& item : kSwitches)
        if (item.offset == offset)
            return item.name;
    for (const Named& named : kOtherVariables)
        if (named.offset == offset)
            return named.name;
    return {};
}

} // namespace standin
