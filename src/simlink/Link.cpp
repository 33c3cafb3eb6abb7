#include "simlink/Link.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <iterator>

namespace simlink {

namespace {

constexpr int kSendAttempts = 41;
constexpr std::uint32_t kSendRetryPauseMs = 100;
constexpr int kHandshakeAttempts = 5;
constexpr std::uint32_t kHandshakePauseMs = 100;

} // namespace

std::uint32_t Link::QueuedBytes() const
{
    return static_cast<std::uint32_t>(state_.writePosition - state_.viewStart);
}

// The request plus the terminator must end at or before kBlockLimit. Summed in
// 64 bits so that a huge size is refused instead of wrapping round.
bool Link::Fits(std::uint32_t headerSize, std::uint32_t size) const
{
    const std::uint64_t end = std::uint64_t{QueuedBytes()} + kTerminatorSize + headerSize + size;
    return end <= kBlockLimit;
}

bool Link::IpcRead(SimOffset offset, std::uint32_t size, void* destination, std::int32_t& result)
{
    if (!IsOpen()) {
        result = IpcNotOpen;
        return false;
    }
    if (!Fits(kReadHeaderSize, size)) {
        result = IpcBlockFull;
        return false;
    }
    std::uint32_t token = 0;
    if (destination != nullptr) {
        pending_[pendingCount_] = {destination, size};
        token = ++pendingCount_;
    }
    std::uint8_t* at = state_.writePosition;
    PutU32(at + kFieldType, kRecordRead);
    PutU32(at + kFieldOffset, offset);
    PutU32(at + kFieldSize, size);
    PutU32(at + kFieldDestination, token);
    at += kReadHeaderSize;
    if (size != 0)
        std::memset(at, 0, size);
    state_.writePosition = at + size;
    result = IpcOk;
    return true;
}

bool Link::IpcWrite(SimOffset offset, std::uint32_t size, const void* source, std::int32_t& result)
{
    if (!IsOpen()) {
        result = IpcNotOpen;
        return false;
    }
    if (!Fits(kWriteHeaderSize, size)) {
        result = IpcBlockFull;
        return false;
    }
    std::uint8_t* at = state_.writePosition;
    PutU32(at + kFieldType, kRecordWrite);
    PutU32(at + kFieldOffset, offset);
    PutU32(at + kFieldSize, size);
    at += kWriteHeaderSize;
    if (size != 0)
        std::memcpy(at, source, size);
    state_.writePosition = at + size;
    result = IpcOk;
    return true;
}

bool Link::IpcProcess(std::int32_t& result)
{
    if (!IsOpen()) {
        result = IpcNotOpen;
        return false;
    }
    if (state_.writePosition == state_.viewStart) {
        result = IpcNothingQueued;
        return false;
    }
    PutU32(state_.writePosition, kRecordEnd);
    // The batch leaves the queue here, whatever happens to the send.
    state_.writePosition = state_.viewStart;

    const auto wParam = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(state_.atom));
    std::uintptr_t reply = 0;
    bool sent = false;
    std::uint32_t sendError = 0;
    for (int attempt = 0; attempt < kSendAttempts && !sent; ++attempt) {
        // Called off, the link is closed: the batch goes no further.
        if (attempt > 0 && !PauseBetweenSends(kSendRetryPauseMs))
            break;
        sent = os_.SendMessageTimeoutA(state_.simWindow, state_.messageId, wParam, 0, kSmtoBlock,
                                       kSendTimeoutMs, &reply);
        answered_ = sent;
        sendError = sent ? 0 : os_.GetLastError();
    }
    if (!sent) {
        pendingCount_ = 0;
        result = sendError != 0 ? IpcSendError : IpcSendGaveUp;
        return false;
    }
    if (reply != kReplyDone) {
        pendingCount_ = 0;
        result = IpcBadReplyValue;
        return false;
    }
    const bool walked = WalkReplies();
    pendingCount_ = 0;
    if (!walked) {
        result = IpcBadReplyValue;
        return false;
    }
    result = IpcOk;
    return true;
}

// Hands each read's reply to its caller. The block is writable by the peer,
// so nothing in it is trusted: a record that would reach past the block ends
// the walk, a destination we did not issue for this batch is skipped, and no
// caller gets more bytes than it queued for. Every record advances the walk by
// at least its header, so it always ends.
bool Link::WalkReplies()
{
    const std::uint8_t* const block = state_.viewStart;
    std::uint32_t p = 0;
    for (;;) {
        if (kBlockSize - p < kTerminatorSize)
            return false;
        const std::uint16_t type = GetU16(block + p + kFieldType);
        if (type == kRecordEnd)
            return true;
        if (type == kRecordRead) {
            if (kBlockSize - p < kReadHeaderSize)
                return false;
            const std::uint32_t size = GetU32(block + p + kFieldSize);
            const std::uint32_t token = GetU32(block + p + kFieldDestination);
            p += kReadHeaderSize;
            if (size > kBlockSize - p)
                return false;
            if (token != 0 && token <= pendingCount_ && size != 0) {
                const PendingRead& read = pending_[token - 1];
                std::memcpy(read.destination, block + p, size < read.size ? size : read.size);
            }
            p += size;
        } else if (type == kRecordWrite) {
            if (kBlockSize - p < kWriteHeaderSize)
                return false;
            const std::uint32_t size = GetU32(block + p + kFieldSize);
            p += kWriteHeaderSize;
            if (size > kBlockSize - p)
                return false;
            p += size;
        } else {
            return false;
        }
    }
}

// The name format is "%X" of the process id; std::to_chars does it without
// pulling the C runtime's whole formatter (floating point included) into a
// program that formats nothing else.
std::string Link::SectionName(std::uint32_t processId)
{
    char digits[8] = {};
    const char* end = std::to_chars(std::begin(digits), std::end(digits), processId, 16).ptr;
    std::string name = kMessageName;
    name += ':';
    for (const char* digit = digits; digit != end; ++digit)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(*digit)));
    name += ":1";
    return name;
}

bool Link::CloseWith(std::int32_t& result, std::int32_t code)
{
    result = code;
    IpcClose();
    return false;
}

bool Link::IpcOpen(std::uint32_t requestedSimulator, std::int32_t& result)
{
    peerVersion_ = 0;
    simulatorId_ = 0;
    if (IsOpen()) {
        result = IpcAlreadyOpen;
        return false;
    }

    bool fallbackClass = false;
    state_.simWindow = FindSimWindow(os_, &fallbackClass);
    if (state_.simWindow == nullptr) {
        result = IpcNoSimWindow;
        return false;
    }

    state_.messageId = os_.RegisterWindowMessageA(kMessageName);
    if (state_.messageId == 0) {
        result = IpcNoMessageId;
        return false;
    }

    // The name travels in a 24-character field: the name, a zero, then blanks.
    char field[kSectionNameField];
    std::memset(field, ' ', sizeof field);
    const std::string name = SectionName(os_.GetCurrentProcessId());
    std::memcpy(field, name.c_str(), name.size() + 1);

    const os::Atom atom = os_.GlobalAddAtomA(field);
    state_.atom = static_cast<std::int16_t>(atom);
    if (atom == 0)
        return CloseWith(result, IpcNoAtom);

    state_.section = os_.CreateFileMappingA(kBlockSize, field);
    if (state_.section == nullptr || os_.GetLastError() == os::kErrorAlreadyExists)
        return CloseWith(result, IpcNoMapping);

    state_.viewStart = static_cast<std::uint8_t*>(os_.MapViewOfFile(state_.section));
    if (state_.viewStart == nullptr)
        return CloseWith(result, IpcNoView);
    state_.writePosition = state_.viewStart;
    pendingCount_ = 0;

    for (int attempt = 0; attempt < kHandshakeAttempts; ++attempt) {
        if (peerVersion_ != 0 && simulatorId_ != 0)
            break;
        if (!IpcRead(kOffsetVersion, 4, &peerVersion_, result))
            return CloseWith(result, result);
        if (!IpcRead(kOffsetSimulatorId, 4, &simulatorId_, result))
            return CloseWith(result, result);
        if (!IpcProcess(result))
            return CloseWith(result, result);
        // The simulator has just answered: nothing to call off here.
        os_.Sleep(kHandshakePauseMs);
    }

    if (peerVersion_ < kMinimumVersion || (simulatorId_ >> 16) != kIdMarker)
        return CloseWith(result, fallbackClass ? IpcHandshakeFailedFallback : IpcHandshakeFailed);
    simulatorId_ &= 0xFFFF;
    if (requestedSimulator != 0 && requestedSimulator != simulatorId_)
        return CloseWith(result, IpcOtherSimulator);

    result = IpcOk;
    return true;
}

os::Window Link::FindSimWindow(os::Os& os, bool* fallbackClass)
{
    if (const os::Window primary = os.FindWindowExA(kPrimaryWindowClass))
        return primary;
    if (fallbackClass != nullptr)
        *fallbackClass = true;
    return os.FindWindowExA(kFallbackWindowClass);
}

void Link::IpcClose()
{
    state_.simWindow = nullptr;
    state_.messageId = 0;
    state_.writePosition = nullptr;
    pendingCount_ = 0;
    if (state_.atom != 0) {
        os_.GlobalDeleteAtom(static_cast<os::Atom>(state_.atom));
        state_.atom = 0;
    }
    if (state_.viewStart != nullptr) {
        os_.UnmapViewOfFile(state_.viewStart);
        state_.viewStart = nullptr;
    }
    if (state_.section != nullptr) {
        os_.CloseHandle(state_.section);
        state_.section = nullptr;
    }
}

bool Link::PauseBetweenSends(std::uint32_t ms)
{
    if (os::Pause(os_, ms, answered_ ? nullptr : callOff))
        return true;
    IpcClose();
    return false;
}

void Link::IpcClearState()
{
    state_ = IpcLinkState{};
    pendingCount_ = 0;
}

} // namespace simlink
