#include "fake/FakePeer.h"

#include "expect/SimVariables.h"

#include <cstring>

namespace fake {

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
} // namespace

std::uint32_t Record::Value() const
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < data.size() && i < 4; ++i)
        value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return value;
}

std::string Record::Text() const
{
    std::string text;
    for (std::uint8_t c : data) {
        if (c == 0)
            break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

FakePeer::FakePeer()
{
    Set(expect::wire::kOffsetVersion, 4, expect::wire::kMinimumVersion);
    Set(expect::wire::kOffsetSimulatorId, 4, expect::wire::kSimulatorId);
}

void FakePeer::Set(std::uint32_t offset, std::uint32_t size, std::uint32_t value)
{
    for (std::uint32_t i = 0; i < size; ++i)
        vars_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t FakePeer::Get(std::uint32_t offset, std::uint32_t size) const
{
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < size && i < 4; ++i)
        value |= static_cast<std::uint32_t>(vars_[offset + i]) << (8 * i);
    return value;
}

std::uintptr_t FakePeer::Handle(std::uint8_t* block)
{
    using namespace expect::wire;
    const std::uint32_t glideslopeBefore = Get(expect::kGlideslopeHold, expect::kHoldSize);
    Exchange exchange;
    std::uint32_t p = 0;
    // A malformed batch is refused with 0, so a client bug shows as a failed
    // exchange in the tests rather than as a wild read here.
    while (p + kTerminatorSize <= kBlockLimit) {
        const std::uint32_t type = GetU32(block + p);
        if (type == kRecordEnd)
            break;
        const std::uint32_t offset = GetU32(block + p + kFieldOffset);
        const std::uint32_t size = GetU32(block + p + kFieldSize);
        const std::uint32_t header = type == kRecordRead ? kReadHeaderSize : kWriteHeaderSize;
        if ((type != kRecordRead && type != kRecordWrite) || size > kBlockLimit ||
            p + header + size > kBlockLimit || offset + std::uint64_t{size} > vars_.size())
            return 0;
        std::uint8_t* data = block + p + header;
        Record record{type, offset, size, {}};
        if (type == kRecordRead) {
            std::memcpy(data, vars_.data() + offset, size);
        } else {
            std::memcpy(vars_.data() + offset, data, size);
            record.data.assign(data, data + size);
        }
        exchange.push_back(std::move(record));
        p += header + size;
    }
    if (holdsInterlocked)
        Interlock(glideslopeBefore, exchange);
    exchanges.push_back(std::move(exchange));

    if (corruptFirstType != 0) {
        block[0] = static_cast<std::uint8_t>(corruptFirstType);
        block[1] = static_cast<std::uint8_t>(corruptFirstType >> 8);
    }
    if (enlargeFirstSize != 0)
        PutU32(block + kFieldSize, GetU32(block + kFieldSize) + enlargeFirstSize);
    if (tamper)
        tamper(block);
    return answer;
}

void FakePeer::Interlock(std::uint32_t glideslopeBefore, const Exchange& exchange)
{
    using expect::kApproachHold, expect::kGlideslopeHold, expect::kHoldSize;
    bool approachWritten = false;
    for (const Record& record : exchange)
        approachWritten = approachWritten || (record.type == expect::wire::kRecordWrite &&
                                              record.offset == kApproachHold);
    const bool approachCleared = approachWritten && Get(kApproachHold, kHoldSize) == 0;
    if (glideslopeBefore != 0 && Get(kGlideslopeHold, kHoldSize) == 0 && !approachCleared)
        Set(kGlideslopeHold, kHoldSize, glideslopeBefore);
    if (Get(kGlideslopeHold, kHoldSize) != 0 && Get(kApproachHold, kHoldSize) == 0)
        Set(kApproachHold, kHoldSize, 1);
}

} // namespace fake
