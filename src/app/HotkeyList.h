// The entries of the hotkey list and how the window's hotkey controls are
// restored from the two codes at load.
#pragma once

#include "app/Hotkey.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::string_view kNoHotkeyEntry = "None";
// For these keys the character code is also the virtual-key code (the main
// block's digits, not the keypad's), which is what makes the list work.
inline constexpr std::string_view kHotkeyCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr int kHotkeyListSize = 1 + static_cast<int>(kHotkeyCharacters.size());

// Entry 0 is "None"; the others are one character each, in list order.
inline std::string HotkeyListEntry(int index)
{
    if (index <= 0 || index >= kHotkeyListSize)
        return std::string(kNoHotkeyEntry);
    return std::string(1, kHotkeyCharacters[static_cast<std::size_t>(index - 1)]);
}

// The list entry for a key code, or -1 when the list has none.
constexpr int HotkeyListIndex(std::int32_t key)
{
    if (key == 0)
        return 0;
    for (std::size_t i = 0; i < kHotkeyCharacters.size(); ++i)
        if (static_cast<std::int32_t>(kHotkeyCharacters[i]) == key)
            return static_cast<int>(i) + 1;
    return -1;
}

struct RestoredControls {
    int selection = 0; // list index
    bool ctrl = false;
    bool shift = false;
};

// What the controls show for the codes read from the settings file. A key
// the list cannot show is dropped, so that "None" is never on screen while a
// hotkey is active; the modifier code stays as read, unlike the key, because
// the boxes showing nothing for an odd code never contradicts the poll.
constexpr RestoredControls RestoreHotkeyControls(Hotkey& hotkey)
{
    RestoredControls shown;
    const int index = HotkeyListIndex(hotkey.HotkeyKey);
    if (index < 0)
        hotkey.HotkeyKey = 0;
    shown.selection = index < 0 ? 0 : index;
    shown.ctrl =
        hotkey.HotkeyModifiers == kModifierCtrl || hotkey.HotkeyModifiers == kModifierCtrlShift;
    shown.shift =
        hotkey.HotkeyModifiers == kModifierShift || hotkey.HotkeyModifiers == kModifierCtrlShift;
    return shown;
}

} // namespace app
