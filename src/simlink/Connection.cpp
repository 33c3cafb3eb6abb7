#include "simlink/Connection.h"

namespace simlink {

void Connection::TryConnect()
{
    if (connected_)
        return;
    link_.IpcClose();
    link_.IpcClearState();
    std::int32_t result = IpcOk;
    if (!link_.IpcOpen(0, result))
        MarkDisconnected();
    else if (result == IpcOk)
        MarkConnected();
}

} // namespace simlink
