// The shutdown hotkey: the codes chosen in the window, and the once-a-tick
// sample of the system-wide keyboard against them.
#pragma once

#include "os/Os.h"
#include "settings/Settings.h"

#include <cstdint>
#include <functional>
#include <string>

namespace app {

// The codes are the settings file's, which keeps them as they are.
using Hotkey = settings::HotkeyCodes;

// HotkeyModifiers: CTRL and SHIFT add up; any other code acts as none.
inline constexpr std::int32_t kModifierNone = 0;
inline constexpr std::int32_t kModifierCtrl = 1;
inline constexpr std::int32_t kModifierShift = 2;
inline constexpr std::int32_t kModifierCtrlShift = kModifierCtrl + kModifierShift;

// A check box's states, as the window's check boxes number them.
enum class CheckState : int { Unchecked = 0, Checked = 1, Greyed = 2 };

// What UpdateHotkey reads from the window's controls.
struct HotkeyControls {
    bool timerEnabled = false;
    std::string selection; // text of cboShutdown's current entry, "" when none
    CheckState ctrlState = CheckState::Unchecked;
    CheckState shiftState = CheckState::Unchecked;
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
