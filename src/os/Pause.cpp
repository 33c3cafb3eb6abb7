#include "os/Pause.h"

namespace os {

bool Pause(Os& os, std::uint32_t ms, const MessageStep& takeMessages)
{
    if (!takeMessages) {
        os.Sleep(ms);
        return true;
    }
    const std::uint32_t start = os.GetTickCount();
    for (;;) {
        // The wait wakes only for messages that arrive after the last look
        // at the queue, so the queue is emptied before every wait.
        if (!takeMessages())
            return false;
        // Unsigned, so that the count's wrap-around does not end the pause
        // early or make it last for days.
        const std::uint32_t elapsed = os.GetTickCount() - start;
        if (elapsed >= ms)
            return true;
        os.MsgWaitForMultipleObjects(ms - elapsed);
    }
}

} // namespace os
