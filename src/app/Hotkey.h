// The shutdown hotkey: the codes chosen in the window, and the once-a-tick
// sample of the system-wide keyboard against them.
#pragma once

#include "os/Os.h"

#include <cstdint>
#include <functional>
#include <string>

namespace app {

struct Hotkey {
    std::int32_t HotkeyKey = 0;        // virtual-key code; 0 = no hotkey
    std::int32_t HotkeyModifiers = 0;  // 1 CTRL + 2 SHIFT; other values act as 0
};

// What UpdateHotkey reads from the window's controls.
struct HotkeyControls {
    bool timerEnabled = false;
    std::string selection;  // text of cboShutdown's current entry, "" when none
    int ctrlState = 0;      // check box states: 0 unchecked, 1 checked, 2 greyed
    int shiftState = 0;
};

inline constexpr std::int32_t kVkShift = 0x10;
inline constexpr std::int32_t kVkControl = 0x11;

// Recomputes both codes from the controls; does nothing while the timer is
// off, so restoring the controls at load cannot overwrite the stored codes.
void UpdateHotkey(Hotkey& hotkey, const HotkeyControls& controls);

// Samples the keyboard; when the combination is held right now, calls
// cmdShutdown_Click and returns once it is over.
void PollHotkey(os::Os& os, const Hotkey& hotkey, const std::function<void()>& cmdShutdown_Click);

} // namespace app
