// A pause that another thread can call off: built from the seam's calls, like
// Files.h, so that the fake's clock runs it in the tests.
#pragma once

#include "os/Os.h"

#include <cstdint>

namespace os {

// Waits `ms` milliseconds. With an event to watch, the pause ends as soon as
// that event is set, and then returns false; it returns true when the time is
// up. Without one, or should the wait itself fail, it sleeps the whole time.
bool Pause(Os& os, std::uint32_t ms, Handle callOff);

} // namespace os
