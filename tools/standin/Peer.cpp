#include "Peer.h"

#include <cstring>

namespace standin {

namespace {

std::uint32_t GetU32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A record as found by the check, before anything is carried out. Positions
// are block offsets that the check has proven to lie inside the limit.
struct Planned {
    std::uint32_t type;
    SimOffset offset;
    std::uint32_t size;
    std::uint32_t at;
    std::uint32_t data; // where the reply area or the written bytes start
};

Outcome Refuse(const char* why)
{
    Outcome outcome;
    outcome.refusal = why;
    return outcome;
}

} // namespace

std::uint32_t GetValue(const VariableSpace& vars, SimOffset offset, std::uint32_t size)
{
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < size && i < 4 && offset + i < vars.size(); ++i)
        value |= static_cast<std::uint32_t>(vars[offset + i]) << (8 * i);
    return value;
}

void SetValue(VariableSpace& vars, SimOffset offset, std::uint32_t size, std::uint32_t value)
{
    for (std::uint32_t i = 0; i < size && i < 4 && offset + i < vars.size(); ++i)
        vars[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Outcome CarryOut(std::uint8_t* block, std::size_t blockSize, VariableSpace& vars)
{
    if (block == nullptr || blockSize < kBlockSize)
        return Refuse("the section is smaller than a request block");

    // First the whole batch is checked, each header field read exactly once,
    // so that a bad record late in the batch leaves the earlier ones undone.
    std::vector<Planned> plan;
    std::uint32_t p = 0;
    for (;;) {
        if (kBlockLimit - p < kTerminatorSize)
            return Refuse("no terminator before offset 0x7F00");
        const std::uint32_t type = GetU32(block + p + kFieldType);
        if (type == kRecordEnd)
            break;
        if (type != kRecordRead && type != kRecordWrite)
            return Refuse("a record of unknown type");
        const std::uint32_t header = type == kRecordRead ? kReadHeaderSize : kWriteHeaderSize;
        if (kBlockLimit - p < header)
            return Refuse("a record header past offset 0x7F00");
        const SimOffset offset = GetU32(block + p + kFieldOffset);
        const std::uint32_t size = GetU32(block + p + kFieldSize);
        if (size > kBlockLimit - p - header)
            return Refuse("a record past offset 0x7F00");
        if (offset > kVariableSpaceSize || size > kVariableSpaceSize - offset)
            return Refuse("a variable range beyond the variable space");
        plan.push_back({type, offset, size, p, p + header});
        p += header + size;
    }

    Outcome outcome;
    outcome.carriedOut = true;
    outcome.end = p;
    outcome.records.reserve(plan.size());
    for (const Planned& record : plan) {
        std::uint8_t* const data = block + record.data;
        std::uint8_t* const variable = vars.data() + record.offset;
        if (record.type == kRecordRead) {
            if (record.size != 0)
                std::memcpy(data, variable, record.size);
            outcome.records.push_back({'R', record.offset, record.size,
                                       std::vector<std::uint8_t>(variable, variable + record.size),
                                       record.at});
        } else {
            // Copied out of the shared block first, so the journal shows
            // exactly the bytes that were stored.
            std::vector<std::uint8_t> bytes(data, data + record.size);
            if (record.size != 0)
                std::memcpy(variable, bytes.data(), record.size);
            outcome.records.push_back(
                {'W', record.offset, record.size, std::move(bytes), record.at});
        }
    }
    return outcome;
}

void ApplyInterlock(VariableSpace& vars, std::uint32_t glideslopeBefore, const Outcome& outcome)
{
    auto clearedHere = [&](SimOffset hold) {
        bool written = false;
        for (const RecordDone& record : outcome.records)
            written = written || (record.kind == 'W' && record.offset < hold + kHoldSize &&
                                  hold < record.offset + record.size);
        return written && GetValue(vars, hold, kHoldSize) == 0;
    };
    if (glideslopeBefore != 0 && GetValue(vars, kOffsetGlideslopeHold, kHoldSize) == 0 &&
        !clearedHere(kOffsetApproachHold))
        SetValue(vars, kOffsetGlideslopeHold, kHoldSize, glideslopeBefore);
    if (GetValue(vars, kOffsetGlideslopeHold, kHoldSize) != 0 &&
        GetValue(vars, kOffsetApproachHold, kHoldSize) == 0)
        SetValue(vars, kOffsetApproachHold, kHoldSize, 1);
}

void Corrupt(std::uint8_t* block, Corruption corruption, const Outcome& outcome)
{
    switch (corruption) {
    case Corruption::None:
        break;
    case Corruption::UnknownType:
        PutU32(block + kFieldType, kCorruptType);
        break;
    case Corruption::SizePastBlock:
        PutU32(block + kFieldSize, GetU32(block + kFieldSize) + kBlockSize);
        break;
    case Corruption::SecondType: {
        // Only positions CarryOut proved to lie inside the limit.
        const std::uint32_t at = outcome.records.size() > 1 ? outcome.records[1].at : outcome.end;
        PutU32(block + at + kFieldType, kCorruptType);
        break;
    }
    case Corruption::ForeignDestination:
        for (const RecordDone& record : outcome.records)
            if (record.kind == 'R')
                PutU32(block + record.at + kFieldDestination, kForeignDestination);
        break;
    }
}

} // namespace standin
