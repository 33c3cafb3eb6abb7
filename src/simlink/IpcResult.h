// Result codes of the link's operations. Every operation returns a bool and
// leaves one of these in its out-parameter; callers act on the bool.
#pragma once

#include <cstdint>

namespace simlink {

enum IpcResult : std::int32_t {
    IpcOk = 0,
    IpcAlreadyOpen = 1,
    IpcNoSimWindow = 2,
    IpcNoMessageId = 3,
    IpcNoAtom = 4,
    IpcNoMapping = 5,
    IpcNoView = 6,
    IpcHandshakeFailed = 7,
    IpcOtherSimulator = 8,
    IpcNotOpen = 9,
    IpcNothingQueued = 10,
    IpcSendGaveUp = 11,
    IpcSendError = 12,
    IpcBadReplyValue = 13,
    IpcHandshakeFailedFallback = 14,
    IpcBlockFull = 15,
};

} // namespace simlink
