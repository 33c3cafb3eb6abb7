// The shutdown checklist: the items in the order they are switched off and
// announced. The labels are behaviour, not decoration: the step's special
// rules find their rows by label, through the names below the table, which
// the build checks against it.
#pragma once

#include "simlink/Protocol.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace shutdown {

struct ShutdownStep {
    simlink::SimOffset offset;
    std::uint32_t size;  // 1, 2 or 4 bytes; the read and the write use the same
    std::int32_t engine; // 0: not tied to an engine; 1..4: that engine
    const char* label;
};

// Per engine n, the carb heat, propeller, mixture and starter variables lie
// 0x98 * (n - 1) above engine 1's; the alternators lie 0xC0 * (n - 1) below.
inline constexpr std::array<ShutdownStep, 44> Checklist = {{
    {0x0BC8, 2, 0, "Parking Brake Set"},
    {0x0BDC, 4, 0, "Flaps Up"},
    {0x0BD0, 4, 0, "Spoilers In"},
    {0x0BC0, 2, 0, "Elevator Trim Neutral"},
    {0x029C, 1, 0, "Pitot Heat Off"},
    {0x07DC, 4, 0, "AP Airspeed Mode Off"},
    {0x07D0, 4, 0, "AP Altitude Mode Off"},
    {0x0800, 4, 0, "AP Approach Mode Off"},
    {0x07D8, 4, 0, "AP Attitude Mode Off"},
    {0x0810, 4, 0, "AP Autothrottle Mode Off"},
    {0x0804, 4, 0, "AP Back Course Mode Off"},
    {0x07FC, 4, 0, "AP Glideslope Mode Off"},
    {0x07C8, 4, 0, "AP Heading Mode Off"},
    {0x07E4, 4, 0, "AP Mach Mode Off"},
    {0x07C4, 4, 0, "AP NAV Mode Off"},
    {0x07EC, 4, 0, "AP Vertical Speed Mode Off"},
    {0x07C0, 4, 0, "AP Wing Leveler Mode Off"},
    {0x0808, 4, 0, "AP Yaw Damper Mode Off"},
    {0x07BC, 4, 0, "AP Master Off"},
    {0x3122, 1, 0, "Radio Audio Switches Off"},
    {0x3103, 1, 0, "Master Avionics Off"},
    {0x3104, 1, 0, "Fuel Pump(s) Off"},
    {0x08B2, 2, 1, "Engine 1 Carb Heat/Anti-Ice Off"},
    {0x094A, 2, 2, "Engine 2 Carb Heat/Anti-Ice Off"},
    {0x09E2, 2, 3, "Engine 3 Carb Heat/Anti-Ice Off"},
    {0x0A7A, 2, 4, "Engine 4 Carb Heat/Anti-Ice Off"},
    {0x3B78, 4, 1, "Engine 1 Alternator/Generator Off"},
    {0x3AB8, 4, 2, "Engine 2 Alternator/Generator Off"},
    {0x39F8, 4, 3, "Engine 3 Alternator/Generator Off"},
    {0x3938, 4, 4, "Engine 4 Alternator/Generator Off"},
    {0x088E, 2, 1, "Engine 1 Propeller Feathered"},
    {0x0890, 2, 1, "Engine 1 Mixture/Fuel Flow Off"},
    {0x0926, 2, 2, "Engine 2 Propeller Feathered"},
    {0x0928, 2, 2, "Engine 2 Mixture/Fuel Flow Off"},
    {0x09BE, 2, 3, "Engine 3 Propeller Feathered"},
    {0x09C0, 2, 3, "Engine 3 Mixture/Fuel Flow Off"},
    {0x0A56, 2, 4, "Engine 4 Propeller Feathered"},
    {0x0A58, 2, 4, "Engine 4 Mixture/Fuel Flow Off"},
    {0x0892, 2, 1, "Engine 1 Starter Off"},
    {0x092A, 2, 2, "Engine 2 Starter Off"},
    {0x09C2, 2, 3, "Engine 3 Starter Off"},
    {0x0A5A, 2, 4, "Engine 4 Starter Off"},
    {0x0D0C, 2, 0, "Lights Off"},
    {0x3102, 1, 0, "Battery Master Off"},
}};

// The rows the step treats apart: the brake is set rather than switched off,
// the flaps get a longer pause, and the radio panel also reads 128 when off.
inline constexpr std::string_view kParkingBrakeRow = "Parking Brake Set";
inline constexpr std::string_view kFlapsRow = "Flaps Up";
inline constexpr std::string_view kRadioAudioRow = "Radio Audio Switches Off";
// The word in each propeller's row: left alone where it cannot feather.
inline constexpr std::string_view kFeatheredWord = "Feathered";
// In FS2002, setting the autopilot's glideslope hold sets its approach hold
// too, and the two clear only when one exchange writes 0 to both: written a
// frame apart, an interlock keeps both on. So the glideslope row's write
// exchange also writes 0 to the approach row's variable, after its own. The
// approach row still clears an approach hold that is on alone.
inline constexpr std::string_view kGlideslopeRow = "AP Glideslope Mode Off";
inline constexpr std::string_view kApproachRow = "AP Approach Mode Off";

// The one row whose shut-down value is not 0.
inline constexpr std::int32_t kParkingBrakeSetValue = 0x7FFF;

// A label changed in the table or in the names above fails the build here,
// instead of a rule silently no longer finding its row.
constexpr int RowsLabelled(std::string_view label)
{
    int rows = 0;
    for (const ShutdownStep& row : Checklist)
        if (label == row.label)
            ++rows;
    return rows;
}
constexpr int RowsWith(std::string_view word)
{
    int rows = 0;
    for (const ShutdownStep& row : Checklist)
        if (std::string_view(row.label).find(word) != std::string_view::npos)
            ++rows;
    return rows;
}
static_assert(RowsLabelled(kParkingBrakeRow) == 1);
static_assert(RowsLabelled(kFlapsRow) == 1);
static_assert(RowsLabelled(kRadioAudioRow) == 1);
static_assert(RowsWith(kFeatheredWord) == 4); // one propeller per engine
static_assert(RowsLabelled(kGlideslopeRow) == 1);
static_assert(RowsLabelled(kApproachRow) == 1);

constexpr ShutdownStep RowLabelled(std::string_view label)
{
    for (const ShutdownStep& row : Checklist)
        if (label == row.label)
            return row;
    return {};
}
// What the glideslope row's exchange writes 0 to as well.
inline constexpr ShutdownStep kApproachHold = RowLabelled(kApproachRow);

} // namespace shutdown
