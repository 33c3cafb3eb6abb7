// The wire format shared with the simulator's IPC module, and the simulator
// variables Tollivane touches. Our simulator stand-in and the tests keep
// copies of their own, typed apart from this one, so that a wrong constant
// here shows against them.
#pragma once

#include <cstdint>
#include <string_view>

namespace simlink {

// A location in the simulator's variable space; always paired with a size.
using SimOffset = std::uint32_t;

// --- The request block -----------------------------------------------------
//
// One 0x8000-byte section shared with the peer. Records are packed back to
// back from offset 0, little-endian, with no padding; after the last record
// the exchange writes a 4-byte zero terminator. Records plus terminator never
// pass kBlockLimit: the last 256 bytes are never used.
//
//   read record   {u32 type=1, u32 offset, u32 size, u32 destination} + size reply bytes
//   write record  {u32 type=2, u32 offset, u32 size} + size data bytes
//   terminator    {u32 0}
//
// The peer carries the records out in order, fills every read's reply area,
// and must leave every header and the terminator as we wrote them: we walk the
// block again afterwards to hand the replies to their callers.
//
// We write the type as a full u32 with its high half zero, but the peer takes
// only its low 16 bits for the type; the walk compares the same 16 bits, so it
// reads a header the way the peer did.
inline constexpr std::uint32_t kBlockSize = 0x8000;
inline constexpr std::uint32_t kBlockLimit = 0x7F00;
inline constexpr std::uint32_t kReadHeaderSize = 16;
inline constexpr std::uint32_t kWriteHeaderSize = 12;
inline constexpr std::uint32_t kTerminatorSize = 4;

inline constexpr std::uint32_t kRecordEnd = 0;
inline constexpr std::uint32_t kRecordRead = 1;
inline constexpr std::uint32_t kRecordWrite = 2;

// Every field and every simulator value travels little-endian whatever the
// host's order; both sides of the link read and write them through these.
inline constexpr std::uint32_t GetU32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

inline constexpr std::uint16_t GetU16(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

inline constexpr void PutU32(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

inline constexpr void PutU16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// Field offsets inside a record header.
inline constexpr std::uint32_t kFieldType = 0;
inline constexpr std::uint32_t kFieldOffset = 4;
inline constexpr std::uint32_t kFieldSize = 8;
inline constexpr std::uint32_t kFieldDestination = 12;

// Each header ends with its last 4-byte field.
static_assert(kReadHeaderSize == kFieldDestination + 4);
static_assert(kWriteHeaderSize == kFieldSize + 4);
static_assert(kTerminatorSize == kFieldType + 4);

// --- Finding the peer ----------------------------------------------------------
inline constexpr const char* kPrimaryWindowClass = "UIPCMAIN";
inline constexpr const char* kFallbackWindowClass = "FS98MAIN";
inline constexpr const char* kMessageName = "FSASMLIB:IPC";

// The section (and its atom) is named "FSASMLIB:IPC:<pid in hex>:1": at most
// 12 + 1 + 8 + 2 = 23 characters, handed over with its terminating zero in a
// 24-character field.
inline constexpr std::uint32_t kSectionNameField = 24;
static_assert(std::string_view(kMessageName).size() + std::string_view(":FFFFFFFF:1").size() + 1 <=
              kSectionNameField);

// Message flags and wait the client uses for every send.
inline constexpr std::uint32_t kSmtoBlock = 1;
inline constexpr std::uint32_t kSendTimeoutMs = 2000;
// The peer's answer when it has carried out a batch.
inline constexpr std::uintptr_t kReplyDone = 1;

// --- Handshake variables ------------------------------------------------------
inline constexpr SimOffset kOffsetVersion = 0x3304;     // 4 bytes, signed
inline constexpr SimOffset kOffsetSimulatorId = 0x3308; // 4 bytes: 0xFADE << 16 | id
inline constexpr std::int32_t kMinimumVersion = 0x19980005;
inline constexpr std::uint32_t kIdMarker = 0xFADE;

// --- Shutdown variables -------------------------------------------------------
inline constexpr SimOffset kOffsetOnGround = 0x0366;       // 2 bytes, 1 = on the ground
inline constexpr SimOffset kOffsetEngineCount = 0x0AEC;    // 2 bytes
inline constexpr SimOffset kOffsetFeatherCapable = 0x0AF0; // 2 bytes, non-zero = can feather
inline constexpr SimOffset kOffsetBatteryMaster = 0x3102;  // 1 byte
inline constexpr SimOffset kOffsetMessageText = 0x3380;    // 128 bytes, zero-padded
inline constexpr SimOffset kOffsetMessageValue = 0x32FA;   // 2 bytes; writing it shows the text
inline constexpr std::uint32_t kMessageTextSize = 128;
inline constexpr std::uint16_t kMessageShow = 5;

} // namespace simlink
