#include "app/Hotkey.h"

#include <array>

namespace app {

namespace {

enum class Need { Down, Clear };

// The two modifier queries of one row, in the order they are made. A query
// resets the "pressed since the last query" bit for whoever asks next, so the
// order is part of the behaviour and kept fixed per row.
struct ModifierRule {
    std::int32_t firstKey;
    Need first;
    std::int32_t secondKey;
    Need second;
};

// Indexed by HotkeyModifiers; any code outside them uses the first row. A
// modifier that is not part of the hotkey must be clear, not merely up, so a
// SHIFT tapped just before the tick still blocks a plain key.
constexpr std::array<ModifierRule, 4> kModifierRules = {{
    {kVkShift, Need::Clear, kVkControl, Need::Clear}, // kModifierNone
    {kVkShift, Need::Clear, kVkControl, Need::Down},  // kModifierCtrl
    {kVkControl, Need::Clear, kVkShift, Need::Down},  // kModifierShift
    {kVkShift, Need::Down, kVkControl, Need::Down},   // kModifierCtrlShift
}};
static_assert(kModifierNone == 0 && kModifierCtrl == 1 && kModifierShift == 2 &&
              kModifierCtrlShift == 3 && kModifierRules.size() == 4);

bool IsDown(std::int16_t state)
{
    return state < 0;
}

bool Meets(std::int16_t state, Need need)
{
    return need == Need::Down ? IsDown(state) : state == 0;
}

} // namespace

void UpdateHotkey(Hotkey& hotkey, const HotkeyControls& controls)
{
    // While the window is still restoring its controls, their change events
    // must not overwrite the codes just read from the settings file.
    if (!controls.timerEnabled)
        return;
    hotkey = Hotkey{};
    if (controls.selection.empty() || controls.selection == "None")
        return;
    // The entries are "0".."9" and "A".."Z", whose character codes are the
    // virtual-key codes of the main keyboard block.
    hotkey.HotkeyKey = static_cast<unsigned char>(controls.selection.front());
    // A greyed box is not a chosen modifier.
    if (controls.ctrlState == CheckState::Checked)
        hotkey.HotkeyModifiers += kModifierCtrl;
    if (controls.shiftState == CheckState::Checked)
        hotkey.HotkeyModifiers += kModifierShift;
}

void PollHotkey(os::Os& os, const Hotkey& hotkey, const std::function<void()>& cmdShutdown_Click)
{
    if (hotkey.HotkeyKey == 0)
        return;
    if (!IsDown(os.GetAsyncKeyState(hotkey.HotkeyKey)))
        return;

    const std::int32_t code = hotkey.HotkeyModifiers;
    const ModifierRule& rule = kModifierRules[code >= kModifierCtrl && code <= kModifierCtrlShift
                                                  ? static_cast<std::size_t>(code)
                                                  : kModifierNone];
    // Both queries are always made, so that each tick resets the same bits.
    const std::int16_t first = os.GetAsyncKeyState(rule.firstKey);
    const std::int16_t second = os.GetAsyncKeyState(rule.secondKey);
    if (Meets(first, rule.first) && Meets(second, rule.second))
        cmdShutdown_Click();
}

} // namespace app
