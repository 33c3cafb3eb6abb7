// The link as the simulator's side sees it, written down on its own for the
// fake peer and the tests. The product keeps its constants elsewhere; these
// are typed independently, so that a wrong constant on the product's side
// makes the two sides disagree and a test fail, instead of both being wrong
// the same way.
#pragma once

#include <cstdint>
#include <string>

namespace expect::wire {

// Finding the peer: its window under one of two classes, and the message
// that hands it a batch.
inline constexpr const char* kPrimaryWindowClass = "UIPCMAIN";
inline constexpr const char* kFallbackWindowClass = "FS98MAIN";
inline constexpr const char* kMessageName = "FSASMLIB:IPC";

// Every send waits with SMTO_BLOCK for at most 2 s.
inline constexpr std::uint32_t kSmtoBlock = 1;
inline constexpr std::uint32_t kSendTimeoutMs = 2000;
// What the peer answers once it has carried out a batch.
inline constexpr std::uintptr_t kReplyDone = 1;

// The shared block: records back to back from offset 0, little-endian, then a
// 4-byte zero terminator, all of it below the limit.
inline constexpr std::uint32_t kBlockSize = 0x8000;
inline constexpr std::uint32_t kBlockLimit = 0x7F00;
inline constexpr std::uint32_t kTerminatorSize = 4;
inline constexpr std::uint32_t kRecordEnd = 0;
inline constexpr std::uint32_t kRecordRead = 1;  // {type, offset, size, destination} + reply
inline constexpr std::uint32_t kRecordWrite = 2; // {type, offset, size} + data
inline constexpr std::uint32_t kReadHeaderSize = 16;
inline constexpr std::uint32_t kWriteHeaderSize = 12;
inline constexpr std::uint32_t kFieldOffset = 4;
inline constexpr std::uint32_t kFieldSize = 8;
inline constexpr std::uint32_t kFieldDestination = 12;

// The section and its atom: "FSASMLIB:IPC:<pid, upper-case hex>:1".
inline std::string SectionName(std::uint32_t processId)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    do {
        hex.insert(hex.begin(), kDigits[processId % 16]);
        processId /= 16;
    } while (processId != 0);
    return std::string(kMessageName) + ":" + hex + ":1";
}

// The handshake: the peer's version (signed, at least kMinimumVersion) and
// its id, 0xFADE in the upper half and the simulator's number below.
inline constexpr std::uint32_t kOffsetVersion = 0x3304;
inline constexpr std::uint32_t kOffsetSimulatorId = 0x3308;
inline constexpr std::uint32_t kMinimumVersion = 0x19980005;
inline constexpr std::uint32_t kSimulatorId = 0xFADE0006;

} // namespace expect::wire
