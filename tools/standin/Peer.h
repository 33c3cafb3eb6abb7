// The simulator's side of an exchange: carries out a request block against the
// stand-in's variable space. Portable, so that it is unit-tested natively.
//
// The block lives in memory that another process can write at any moment, so
// nothing in it is trusted: every header field is read once, the whole batch
// is checked before anything is carried out, and the only bytes written back
// into the block are the reply areas of the reads.
#pragma once

#include "Simulator.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace standin {

using VariableSpace = std::array<std::uint8_t, kVariableSpaceSize>;

// Little-endian access to the variable space for sizes 1 to 4.
std::uint32_t GetValue(const VariableSpace& vars, SimOffset offset, std::uint32_t size);
void SetValue(VariableSpace& vars, SimOffset offset, std::uint32_t size, std::uint32_t value);

// One record carried out: for a read the bytes it delivered, for a write the
// bytes it stored.
struct RecordDone {
    char kind; // 'R' or 'W'
    SimOffset offset;
    std::uint32_t size;
    std::vector<std::uint8_t> bytes;
    std::uint32_t at = 0; // where its header starts in the block
};

struct Outcome {
    bool carriedOut = false;         // false: the batch was refused and nothing happened
    const char* refusal = nullptr;   // why, when refused
    std::vector<RecordDone> records; // in block order
    std::uint32_t end = 0;           // where the terminator starts
};

// Carries out the batch in `block` (`blockSize` bytes are mapped). Refuses,
// without touching the block or the variables, a batch with a record of
// unknown type, a record or terminator that would pass 0x7F00, or a variable
// range beyond the variable space.
Outcome CarryOut(std::uint8_t* block, std::size_t blockSize, VariableSpace& vars);

// FS2002's interlock of the autopilot's holds, applied after a batch carried
// out (`outcome`): a glideslope hold the batch cleared comes back on unless
// the batch cleared the approach hold too, and while the glideslope hold is on,
// so is the approach hold. `glideslopeBefore` is the glideslope hold as the
// batch found it.
void ApplyInterlock(VariableSpace& vars, std::uint32_t glideslopeBefore, const Outcome& outcome);

// The misbehaviours the stand-in can show after carrying out a batch.
enum class Corruption {
    None,
    UnknownType,       // the first record's type becomes kCorruptType
    SizePastBlock,     // the first record's size grows by the block's size
    SecondType,        // the record after the first (or the terminator) gets kCorruptType
    ForeignDestination // every read's destination becomes kForeignDestination
};
inline constexpr std::uint32_t kCorruptType = 0xBAD1;
// No client issues this for a buffer: an index would be far out of range, an
// address unmapped.
inline constexpr std::uint32_t kForeignDestination = 0xFFFFFFF0;

// `outcome` is what CarryOut reported for this very block.
void Corrupt(std::uint8_t* block, Corruption corruption, const Outcome& outcome);

} // namespace standin
