// The settings file "Tollivane.ini" beside the program: the two hotkey codes.
#pragma once

#include "os/Os.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace settings {

inline constexpr const char* kSettingsFileName = "\\Tollivane.ini";

// A file larger than this is not one the program wrote, and reading it whole
// would stall the start: it counts as unreadable.
inline constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

// Missing: no file, the codes are as they were. Unreadable: a file may be
// there (or the program directory is unknown) but could not be read: locked,
// too large, a read error, a drive or share that did not answer; the codes are
// as they were, and the file is the user's to keep. Loaded: the file's lines
// were applied to the codes.
enum class LoadOutcome { Missing, Loaded, Unreadable };

// The shutdown hotkey's two codes, as the file keeps them.
struct HotkeyCodes {
    std::int32_t HotkeyKey = 0;       // virtual-key code; 0 = no hotkey
    std::int32_t HotkeyModifiers = 0; // 1 CTRL + 2 SHIFT; other values act as 0
};

// Applies the file's lines to the codes.
LoadOutcome LoadSettings(os::Os& os, HotkeyCodes& codes);

// Writes the codes; on failure warns the user (owner: the window) and
// returns normally. Never throws.
void SaveSettings(os::Os& os, const HotkeyCodes& codes, os::Window owner);

// The reader's rules over a file's content, apart from the file system.
void ParseSettings(std::string_view content, HotkeyCodes& codes);

// What SaveSettings writes for these codes.
std::string FormatSettings(const HotkeyCodes& codes);

} // namespace settings
