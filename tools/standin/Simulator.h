// The simulator's variables that the stand-in models: the handshake values,
// the aircraft's state, the text line, and the switches a shutdown works
// through, each with its place, size and the names the panel shows.
#pragma once

#include "Wire.h"

#include <array>
#include <cstdint>

namespace standin {

// The variable space: offsets below 0x10000.
inline constexpr std::uint32_t kVariableSpaceSize = 0x10000;

// Handshake: the interface's version (4 bytes, at least 0x19980005 for a
// client to accept it), and 0xFADE in the upper half of the id word with the
// simulator's number in the lower.
inline constexpr SimOffset kOffsetVersion = 0x3304;
inline constexpr SimOffset kOffsetSimulatorId = 0x3308;
inline constexpr std::uint32_t kVersion = 0x19980005;
inline constexpr std::uint32_t kIdMarker = 0xFADE;

inline constexpr SimOffset kOffsetOnGround = 0x0366;       // 2 bytes, 1 = on the ground
inline constexpr SimOffset kOffsetEngineCount = 0x0AEC;    // 2 bytes
inline constexpr SimOffset kOffsetFeatherCapable = 0x0AF0; // 2 bytes, non-zero = can feather
inline constexpr SimOffset kOffsetBatteryMaster = 0x3102;  // 1 byte

// The text line: 128 bytes of text, shown when the value word is written.
inline constexpr SimOffset kOffsetMessageText = 0x3380;
inline constexpr std::uint32_t kMessageTextSize = 128;
inline constexpr SimOffset kOffsetMessageValue = 0x32FA; // 2 bytes
inline constexpr std::uint32_t kMessageShow = 5;

// One switch of the aircraft, as the panel shows it.
struct Switch {
    SimOffset offset;
    std::uint32_t size; // bytes
    int engine;         // 0: the airframe's; 1..4: that engine's
    const char* name;   // on the panel
    const char* label;  // the line a shutdown announces when it switches it
};

// In the order a cold-and-dark shutdown walks them. Per engine n, the carb
// heat, propeller, mixture and starter lie 0x98 * (n - 1) above engine 1's;
// the alternators lie 0xC0 * (n - 1) below.
inline constexpr std::array<Switch, 44> kSwitches = {{
    {0x0BC8, 2, 0, "Parking Brake", "Parking Brake Set"},
    {0x0BDC, 4, 0, "Flaps", "Flaps Up"},
    {0x0BD0, 4, 0, "Spoilers", "Spoilers In"},
    {0x0BC0, 2, 0, "Elevator Trim", "Elevator Trim Neutral"},
    {0x029C, 1, 0, "Pitot Heat", "Pitot Heat Off"},
    {0x07DC, 4, 0, "AP Airspeed Mode", "AP Airspeed Mode Off"},
    {0x07D0, 4, 0, "AP Altitude Mode", "AP Altitude Mode Off"},
    {0x0800, 4, 0, "AP Approach Mode", "AP Approach Mode Off"},
    {0x07D8, 4, 0, "AP Attitude Mode", "AP Attitude Mode Off"},
    {0x0810, 4, 0, "AP Autothrottle Mode", "AP Autothrottle Mode Off"},
    {0x0804, 4, 0, "AP Back Course Mode", "AP Back Course Mode Off"},
    {0x07FC, 4, 0, "AP Glideslope Mode", "AP Glideslope Mode Off"},
    {0x07C8, 4, 0, "AP Heading Mode", "AP Heading Mode Off"},
    {0x07E4, 4, 0, "AP Mach Mode", "AP Mach Mode Off"},
    {0x07C4, 4, 0, "AP NAV Mode", "AP NAV Mode Off"},
    {0x07EC, 4, 0, "AP Vertical Speed Mode", "AP Vertical Speed Mode Off"},
    {0x07C0, 4, 0, "AP Wing Leveler Mode", "AP Wing Leveler Mode Off"},
    {0x0808, 4, 0, "AP Yaw Damper Mode", "AP Yaw Damper Mode Off"},
    {0x07BC, 4, 0, "AP Master", "AP Master Off"},
    {0x3122, 1, 0, "Radio Audio Switches", "Radio Audio Switches Off"},
    {0x3103, 1, 0, "Master Avionics", "Master Avionics Off"},
    {0x3104, 1, 0, "Fuel Pump(s)", "Fuel Pump(s) Off"},
    {0x08B2, 2, 1, "Engine 1 Carb Heat/Anti-Ice", "Engine 1 Carb Heat/Anti-Ice Off"},
    {0x094A, 2, 2, "Engine 2 Carb Heat/Anti-Ice", "Engine 2 Carb Heat/Anti-Ice Off"},
    {0x09E2, 2, 3, "Engine 3 Carb Heat/Anti-Ice", "Engine 3 Carb Heat/Anti-Ice Off"},
    {0x0A7A, 2, 4, "Engine 4 Carb Heat/Anti-Ice", "Engine 4 Carb Heat/Anti-Ice Off"},
    {0x3B78, 4, 1, "Engine 1 Alternator/Generator", "Engine 1 Alternator/Generator Off"},
    {0x3AB8, 4, 2, "Engine 2 Alternator/Generator", "Engine 2 Alternator/Generator Off"},
    {0x39F8, 4, 3, "Engine 3 Alternator/Generator", "Engine 3 Alternator/Generator Off"},
    {0x3938, 4, 4, "Engine 4 Alternator/Generator", "Engine 4 Alternator/Generator Off"},
    {0x088E, 2, 1, "Engine 1 Propeller", "Engine 1 Propeller Feathered"},
    {0x0890, 2, 1, "Engine 1 Mixture/Fuel Flow", "Engine 1 Mixture/Fuel Flow Off"},
    {0x0926, 2, 2, "Engine 2 Propeller", "Engine 2 Propeller Feathered"},
    {0x0928, 2, 2, "Engine 2 Mixture/Fuel Flow", "Engine 2 Mixture/Fuel Flow Off"},
    {0x09BE, 2, 3, "Engine 3 Propeller", "Engine 3 Propeller Feathered"},
    {0x09C0, 2, 3, "Engine 3 Mixture/Fuel Flow", "Engine 3 Mixture/Fuel Flow Off"},
    {0x0A56, 2, 4, "Engine 4 Propeller", "Engine 4 Propeller Feathered"},
    {0x0A58, 2, 4, "Engine 4 Mixture/Fuel Flow", "Engine 4 Mixture/Fuel Flow Off"},
    {0x0892, 2, 1, "Engine 1 Starter", "Engine 1 Starter Off"},
    {0x092A, 2, 2, "Engine 2 Starter", "Engine 2 Starter Off"},
    {0x09C2, 2, 3, "Engine 3 Starter", "Engine 3 Starter Off"},
    {0x0A5A, 2, 4, "Engine 4 Starter", "Engine 4 Starter Off"},
    {0x0D0C, 2, 0, "Lights", "Lights Off"},
    {0x3102, 1, 0, "Battery Master", "Battery Master Off"},
}};

// Two of the switches: the autopilot's glideslope and approach holds. In
// FS2002 setting the glideslope hold sets the approach hold too, and the two
// clear only when one exchange writes 0 to both; written a frame apart, an
// interlock keeps both on (--interlock). So a shutdown's "AP Glideslope Mode
// Off" writes 0 to the glideslope hold and then to the approach hold, in one
// exchange.
inline constexpr SimOffset kOffsetGlideslopeHold = 0x07FC;
inline constexpr SimOffset kOffsetApproachHold = 0x0800;
inline constexpr std::uint32_t kHoldSize = 4;

} // namespace standin
