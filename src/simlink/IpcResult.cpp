#include "simlink/IpcResult.h"

#include <array>

namespace simlink {

namespace {
constexpr std::array<const char*, kIpcResultCount> kNames = {
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
    return kNames[static_cast<std::size_t>(code)];
}

} // namespace simlink
