// The link as the simulator's side sees it: the message, the window classes,
// the request block's layout and the answer. Written here on its own rather
// than taken from the client, so that a wrong constant on either side shows
// as a disagreement between the two (a unit test compares them) instead of
// being shared and passing everywhere.
#pragma once

#include <cstdint>
#include <string_view>

namespace standin {

// A location in the simulator's variable space; always paired with a size.
using SimOffset = std::uint32_t;

// The registered message that hands a batch over, and the window classes a
// client looks for, the first before the second.
inline constexpr const char* kMessageName = "FSASMLIB:IPC";
inline constexpr const char* kPrimaryWindowClass = "UIPCMAIN";
inline constexpr const char* kFallbackWindowClass = "FS98MAIN";

// The request block: one 0x8000-byte section, records packed from offset 0,
// little-endian, no padding, then a 4-byte zero terminator. Nothing a client
// queues may pass kBlockLimit.
//
//   read   {u32 1, u32 offset, u32 size, u32 destination} + size reply bytes
//   write  {u32 2, u32 offset, u32 size} + size data bytes
//   end    {u32 0}
inline constexpr std::uint32_t kBlockSize = 0x8000;
inline constexpr std::uint32_t kBlockLimit = 0x7F00;
inline constexpr std::uint32_t kReadHeaderSize = 16;
inline constexpr std::uint32_t kWriteHeaderSize = 12;
inline constexpr std::uint32_t kTerminatorSize = 4;

inline constexpr std::uint32_t kRecordEnd = 0;
inline constexpr std::uint32_t kRecordRead = 1;
inline constexpr std::uint32_t kRecordWrite = 2;

inline constexpr std::uint32_t kFieldType = 0;
inline constexpr std::uint32_t kFieldOffset = 4;
inline constexpr std::uint32_t kFieldSize = 8;
inline constexpr std::uint32_t kFieldDestination = 12;

// The answer to a batch carried out; a client takes anything else as refused.
inline constexpr std::uintptr_t kReplyDone = 1;
// How long a client waits for that answer; never-answer must outlast it.
inline constexpr std::uint32_t kClientWaitMs = 2000;

// The only sections the stand-in maps: "FSASMLIB:IPC:<pid>:1", the process id
// in upper-case hex without leading zeros. It writes into whatever it maps,
// so an atom naming anything else is refused, and a client that spells its
// name another way finds out here rather than on the real simulator.
bool IsLinkSectionName(std::string_view name);

} // namespace standin
