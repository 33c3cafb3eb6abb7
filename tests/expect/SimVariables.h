// The simulator variables a shutdown run touches, and the checklist, typed
// from the table the program was built to, row by row. Expected runs are
// worked out from this copy only; one test compares it with the program's
// own table, so that a wrong offset, size, engine or label in either shows
// as a difference instead of passing on both sides.
#pragma once

#include <array>
#include <cstdint>

namespace expect {

struct Row {
    std::uint32_t offset;
    std::uint32_t size;
    std::int32_t engine;
    const char* label;
};

inline constexpr std::array<Row, 44> kChecklist = {{
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

// The shut-down value of "Parking Brake Set"; every other row is written 0.
inline constexpr std::uint32_t kBrakeSet = 0x7FFF;

// The autopilot's glideslope and approach holds, 4 bytes each. FS2002 keeps
// the approach hold on while the glideslope hold is on, and clears the two
// only when one exchange writes 0 to both. So "AP Glideslope Mode Off" writes
// its own 0 and then the approach hold's, in one exchange.
inline constexpr std::uint32_t kGlideslopeHold = 0x07FC;
inline constexpr std::uint32_t kApproachHold = 0x0800;
inline constexpr std::uint32_t kHoldSize = 4;
inline constexpr const char* kGlideslopeRow = "AP Glideslope Mode Off";

// The opening reads of a run, 2 bytes each, in this order.
inline constexpr std::uint32_t kOnGround = 0x0366; // exactly 1 on the ground
inline constexpr std::uint32_t kEngineCount = 0x0AEC;
inline constexpr std::uint32_t kFeatherCapable = 0x0AF0;

// Switched on (1 byte, 1) before the checklist, and off again by its last row.
inline constexpr std::uint32_t kBatteryMaster = 0x3102;

// A line shown in the simulator: the whole 128-byte text, then the 2-byte
// value 5 that makes it appear.
inline constexpr std::uint32_t kMessageText = 0x3380;
inline constexpr std::uint32_t kMessageTextSize = 128;
inline constexpr std::uint32_t kMessageValue = 0x32FA;
inline constexpr std::uint32_t kMessageShow = 5;
inline constexpr const char* kPrefix = "Shutdown:  "; // the word, a colon, two spaces

inline constexpr const char* kComplete = "Complete";
inline constexpr const char* kAirborne = "Aircraft shutdown not allowed while airborne.";
inline constexpr const char* kNotConnected = "Connection to FS2002 via FSUIPC not detected.";

} // namespace expect
