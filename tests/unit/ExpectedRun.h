// What the simulator should see of a shutdown run, worked out from the tests'
// own copy of the checklist (expect/SimVariables.h), one line per exchange:
//
//   "R 0366/2, R 0AEC/2, R 0AF0/2"
//   "W 0BC8/2=32767"
//   "W 3380/128='Shutdown:  Parking Brake Set', W 32FA/2=5"
//   ...
//   "W 07FC/4=0, W 0800/4=0"     the glideslope hold, cleared with the approach hold
//
// Shared by the runs against the fake OS and those against the stand-in.
#pragma once

#include "expect/SimVariables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace shutdown::testing {

// "R 0BC8/2" or "W 0BC8/2": a request's kind, offset and size.
inline std::string Request(char kind, std::uint32_t offset, std::uint32_t size)
{
    char line[32];
    std::snprintf(line, sizeof line, "%c %04X/%u", kind, static_cast<unsigned>(offset),
                  static_cast<unsigned>(size));
    return line;
}

inline std::string Message(const std::string& text)
{
    return Request('W', expect::kMessageText, expect::kMessageTextSize) + "='" + expect::kPrefix +
           text + "', " + Request('W', expect::kMessageValue, 2) + "=" +
           std::to_string(expect::kMessageShow);
}

inline const expect::Row& Row(const std::string& label)
{
    for (const expect::Row& row : expect::kChecklist)
        if (label == row.label)
            return row;
    ADD_FAILURE() << "no row " << label;
    return expect::kChecklist[0];
}

inline const std::string kOpening = Request('R', expect::kOnGround, 2) + ", " +
                                    Request('R', expect::kEngineCount, 2) + ", " +
                                    Request('R', expect::kFeatherCapable, 2);
inline const std::string kBatteryOn = Request('W', expect::kBatteryMaster, 1) + "=1";

// What the simulator should see in a run that gets past the airborne check:
// the rows the aircraft has are read, and the rows named in `performed` are
// written and announced.
inline std::vector<std::string> ExpectedRun(int engines, const std::set<std::string>& performed)
{
    std::vector<std::string> lines = {kOpening, kBatteryOn};
    for (const expect::Row& row : expect::kChecklist) {
        if (row.engine != 0 && row.engine > engines)
            continue;
        lines.push_back(Request('R', row.offset, row.size));
        if (performed.count(row.label) == 0)
            continue;
        const bool brake = std::string(row.label) == "Parking Brake Set";
        std::string write = Request('W', row.offset, row.size) + "=" +
                            std::to_string(brake ? expect::kBrakeSet : 0);
        if (std::string(row.label) == expect::kGlideslopeRow)
            write += ", " + Request('W', expect::kApproachHold, expect::kHoldSize) + "=0";
        lines.push_back(write);
        lines.push_back(Message(row.label));
    }
    lines.push_back(Message(expect::kComplete));
    return lines;
}

// The pauses of a run that performs `performed`, in checklist order.
inline std::vector<std::uint32_t> ExpectedPauses(const std::set<std::string>& performed)
{
    std::vector<std::uint32_t> pauses;
    for (const expect::Row& row : expect::kChecklist)
        if (performed.count(row.label) != 0)
            pauses.push_back(std::string(row.label) == "Flaps Up" ? 6000 : 1000);
    return pauses;
}

} // namespace shutdown::testing
