// What the simulator should see of a shutdown run, worked out from the
// checklist table alone, one line per exchange:
//
//   "R 0366/2, R 0AEC/2, R 0AF0/2"
//   "W 0BC8/2=32767"
//   "W 3380/128='Shutdown:  Parking Brake Set', W 32FA/2=5"
//
// Shared by the runs against the fake OS and those against the stand-in.
#pragma once

#include "shutdown/Checklist.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace shutdown::testing {

inline std::string Message(const std::string& text)
{
    return "W 3380/128='Shutdown:  " + text + "', W 32FA/2=5";
}

inline const ShutdownStep& Row(const std::string& label)
{
    for (const ShutdownStep& row : Checklist)
        if (label == row.label)
            return row;
    ADD_FAILURE() << "no row " << label;
    return Checklist[0];
}

inline const std::string kOpening = "R 0366/2, R 0AEC/2, R 0AF0/2";
inline const std::string kBatteryOn = "W 3102/1=1";

// What the simulator should see in a run that gets past the airborne check,
// worked out from the table alone: the rows the aircraft has are read, and
// the rows named in `performed` are written and announced.
inline std::vector<std::string> ExpectedRun(int engines, const std::set<std::string>& performed)
{
    std::vector<std::string> lines = {kOpening, kBatteryOn};
    for (const ShutdownStep& row : Checklist) {
        if (row.engine != 0 && row.engine > engines)
            continue;
        char read[16];
        std::snprintf(read, sizeof read, "%04X/%u", static_cast<unsigned>(row.offset),
                      static_cast<unsigned>(row.size));
        lines.push_back(std::string("R ") + read);
        if (performed.count(row.label) == 0)
            continue;
        const bool brake = std::string(row.label) == "Parking Brake Set";
        lines.push_back(std::string("W ") + read + "=" + (brake ? "32767" : "0"));
        lines.push_back(Message(row.label));
    }
    lines.push_back(Message("Complete"));
    return lines;
}

// The pauses of a run that performs `performed`, in checklist order.
inline std::vector<std::uint32_t> ExpectedPauses(const std::set<std::string>& performed)
{
    std::vector<std::uint32_t> pauses;
    for (const ShutdownStep& row : Checklist)
        if (performed.count(row.label) != 0)
            pauses.push_back(std::string(row.label) == "Flaps Up" ? 6000 : 1000);
    return pauses;
}

} // namespace shutdown::testing
