// The switch sound that accompanies every item switched off.
#pragma once

#include "os/Os.h"

#include <string>

namespace shutdown {

// Relative to the program directory; the name brings its own separator.
inline constexpr const char* kSwitchSound = "\\sound_switch.wav";

// Plays program directory + name asynchronously, if the directory is known
// and the file is there.
void PlayWave(os::Os& os, const std::string& name);

} // namespace shutdown
