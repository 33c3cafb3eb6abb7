#include "simlink/IpcResult.h"

namespace simlink {

namespace {
constexpr const char* kNames[kIpcResultCount] = {
    "IpcOk",
    "IpcAlreadyOpen",
    "IpcNoSimWindow",
    "IpcNoMessageId",
    "IpcNoAtom",
    "IpcNoMapping",
    "IpcNoView",
    "IpcHandshakeFailed",
    "IpcOtherSimulator",
    "IpcNotOpen",
    "IpcNothingQueued",
    "IpcSendGaveUp",
    "IpcSendError",
    "IpcBadReplyValue",
    "IpcHandshakeFailedFallback",
    "IpcBlockFull",
};
} // namespace

const char* IpcResultName(std::int32_t code)
{
    if (code < 0 || code >= kIpcResultCount)
        return nullptr;
    return kNames[code];
}

} // namespace simlink
