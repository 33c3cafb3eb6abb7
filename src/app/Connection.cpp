#include "app/Connection.h"

namespace app {

void Connection::TryConnect()
{
    if (Connected)
        return;
    link_.IpcClose();
    link_.IpcClearState();
    std::int32_t result = simlink::IpcOk;
    if (!link_.IpcOpen(0, result))
        MarkDisconnected();
    else if (result == simlink::IpcOk)
        MarkConnected();
}

} // namespace app
