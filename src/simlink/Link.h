// The client side of the simulator link: the shared request block, the
// exchange that hands it to the peer, and opening and closing the link.
//
// One Link per process owns the link state. Reads and writes are queued into
// the shared block in place; IpcProcess sends the whole batch with one message
// and delivers the values read to the buffers their callers named.
#pragma once

#include "os/Os.h"
#include "os/Pause.h"
#include "simlink/IpcResult.h"
#include "simlink/Protocol.h"

#include <array>
#include <cstdint>
#include <string>

namespace simlink {

// All six fields zero means there is no link.
struct IpcLinkState {
    os::Window simWindow = nullptr;
    std::uint32_t messageId = 0;
    // The 16-bit atom widened by sign extension: atoms added by name lie in
    // 0xC000..0xFFFF, and the peer expects 0xC001 to travel as 0xFFFFC001.
    std::int32_t atom = 0;
    os::Handle section = nullptr;
    std::uint8_t* viewStart = nullptr; // the link is open exactly when this is set
    std::uint8_t* writePosition = nullptr;
};

// The most read records a batch can hold: bare 16-byte headers up to the limit.
inline constexpr std::uint32_t kMaxPendingReads = (kBlockLimit - kTerminatorSize) / kReadHeaderSize;

class Link {
  public:
    explicit Link(os::Os& os) : os_(os) {}
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Queue a read of `size` bytes at `offset`; `destination` (may be null)
    // receives them during the next IpcProcess, and must stay valid until it
    // has returned. A reply that fails the walk makes IpcProcess fail, but
    // the reads before the bad record have been delivered by then.
    bool IpcRead(SimOffset offset, std::uint32_t size, void* destination, std::int32_t& result);
    // Queue a write; the bytes are copied into the block at once.
    bool IpcWrite(SimOffset offset, std::uint32_t size, const void* source, std::int32_t& result);
    // Send the batch, wait for the peer, deliver the reads. The queue is empty
    // afterwards whatever the outcome, except for IpcNotOpen and IpcNothingQueued.
    bool IpcProcess(std::int32_t& result);

    bool IpcOpen(std::uint32_t requestedSimulator, std::int32_t& result);
    // The simulator's window that IpcOpen would open the link to, under the
    // primary class or else the fallback one (then *fallbackClass is set);
    // null when there is none. Looks at no link state, so any thread may ask.
    static os::Window FindSimWindow(os::Os& os, bool* fallbackClass = nullptr);
    void IpcClose();
    void IpcClearState();

    const IpcLinkState& State() const { return state_; }
    bool IsOpen() const { return state_.viewStart != nullptr; }

    // Waits `ms` between two sends. A plain sleep while the simulator
    // answered the latest send; once it has not, a set callOff ends the wait
    // at once and closes the link, so that nothing more goes out until it is
    // opened again. False then.
    bool PauseBetweenSends(std::uint32_t ms);

    // The event that calls off the waits after an unanswered send (see
    // PauseBetweenSends): IpcProcess's retries, the handshake's pauses and
    // the run's. Set from another thread; none when null.
    os::Handle callOff = nullptr;

  private:
    struct PendingRead {
        void* destination;
        std::uint32_t size;
    };

    // "FSASMLIB:IPC:<pid in upper-case hex>:1"
    static std::string SectionName(std::uint32_t processId);
    std::uint32_t QueuedBytes() const;
    bool Fits(std::uint32_t headerSize, std::uint32_t size) const;
    bool WalkReplies();
    bool CloseWith(std::int32_t& result, std::int32_t code);

    os::Os& os_;
    IpcLinkState state_;
    std::int32_t peerVersion_ = 0;
    std::uint32_t simulatorId_ = 0;
    // The simulator answered the latest send, or none has gone out yet.
    bool answered_ = true;

    // The destination field is 32 bits even where pointers are 64, so it
    // carries 1 + an index into this table of the batch's reads (0 = none).
    std::array<PendingRead, kMaxPendingReads> pending_{};
    std::uint32_t pendingCount_ = 0;
};

} // namespace simlink
