// A pause that can keep a window alive: built from the seam's calls, like
// Files.h, so that the fake's clock runs it in the tests.
#pragma once

#include "os/Os.h"

#include <cstdint>
#include <functional>

namespace os {

// Takes the messages that are waiting for the thread, and returns whether
// the wait goes on: false calls it off, and whoever waited gives up what it
// was waiting for.
using MessageStep = std::function<bool()>;

// Waits `ms` milliseconds. With a message step, the thread takes its messages
// throughout: the step runs before each wait and after it, and the waits end
// at the deadline set when the pause began, however often a message cuts one
// short. Without one, it sleeps. False as soon as the step calls the pause
// off; true when the time is up.
bool Pause(Os& os, std::uint32_t ms, const MessageStep& takeMessages);

} // namespace os
