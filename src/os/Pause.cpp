#include "os/Pause.h"

namespace os {

bool Pause(Os& os, std::uint32_t ms, Handle callOff)
{
    if (callOff != nullptr) {
        const std::uint32_t waited = os.WaitForSingleObject(callOff, ms);
        if (waited == kWaitObject0)
            return false;
        if (waited == kWaitTimeout)
            return true;
    }
    os.Sleep(ms);
    return true;
}

} // namespace os
