// Text lines shown inside the simulator's window: the program's only way of
// telling the user anything while a run is under way.
#pragma once

#include "simlink/Link.h"

#include <string>

namespace shutdown {

// Every line carries this in front, so the user can tell our lines from the
// simulator's own. Two spaces, as the lines have always looked.
inline constexpr const char* kMessagePrefix = "Shutdown:  ";

// Shows "Shutdown:  <text>" inside the simulator, in one exchange.
void ShowSimMessage(simlink::Link& link, const std::string& text);

} // namespace shutdown
