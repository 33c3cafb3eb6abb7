// An in-process simulator for the fake OS: it plays the peer's side of the
// link exactly as the client relies on it, and misbehaves on request. It reads
// the block by its own copy of the wire format, never by the client's.
#pragma once

#include "expect/Wire.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fake {

struct Record {
    std::uint32_t type; // expect::wire::kRecordRead or kRecordWrite
    std::uint32_t offset;
    std::uint32_t size;
    std::vector<std::uint8_t> data; // what a write stored

    // The written bytes as a little-endian number (size 1, 2 or 4).
    std::uint32_t Value() const;
    // The written bytes up to the first zero, for the message text.
    std::string Text() const;
};

using Exchange = std::vector<Record>;

class FakePeer {
  public:
    FakePeer();

    // The simulator's variable space.
    void Set(std::uint32_t offset, std::uint32_t size, std::uint32_t value);
    std::uint32_t Get(std::uint32_t offset, std::uint32_t size) const;

    // Carries out the batch in `block` and answers; called by the fake OS
    // when the registered message reaches the peer's window.
    std::uintptr_t Handle(std::uint8_t* block);

    // Every batch carried out, in order.
    std::vector<Exchange> exchanges;

    // --- Misbehaviour ---------------------------------------------------------
    std::uintptr_t answer = expect::wire::kReplyDone;
    // Corrupts the block after carrying it out: writes this type over the
    // first record (0 = leave it alone).
    std::uint16_t corruptFirstType = 0;
    // Enlarges the size field of the first record by this much after carrying
    // it out (0 = leave it alone).
    std::uint32_t enlargeFirstSize = 0;
    // Called with the whole block after every batch: may write anything.
    std::function<void(std::uint8_t* block)> tamper;

    // FS2002's interlock of the autopilot's holds: the glideslope hold keeps
    // the approach hold on, and the two clear only when one batch writes 0 to
    // both. Cleared in batches apart, both stay on.
    bool holdsInterlocked = false;

  private:
    void Interlock(std::uint32_t glideslopeBefore, const Exchange& exchange);

    // The whole 16-bit variable space.
    std::array<std::uint8_t, 0x10000> vars_{};
};

} // namespace fake
