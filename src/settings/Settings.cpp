#include "settings/Settings.h"

#include "Title.h"
#include "os/Files.h"

#include <optional>

namespace settings {

namespace {

constexpr std::string_view kKeyPrefix = "SHUTDOWN_HK=";
constexpr std::string_view kModifiersPrefix = "SHUTDOWN_HKCS=";
constexpr const char* kTempSuffix = ".tmp";
static_assert(std::string_view(kSettingsFileName).size() + std::string_view(kTempSuffix).size() <=
              os::kLongestProgramFileName);

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A decimal 32-bit integer with an optional sign and optional blanks around
// it. Anything else (empty, letters, out of range) is refused, and the line
// carrying it is then ignored: a hand-edited file must not yield a surprise
// code.
std::optional<std::int32_t> ParseValue(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);

    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;

    // 2^31 is the largest magnitude any value may have; stopping just past it
    // keeps the sum in range however many digits follow.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kLimit)
            return std::nullopt;
    }
    if (!negative && magnitude == kLimit)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

void Apply(std::string_view key, std::string_view value, HotkeyCodes& codes)
{
    std::int32_t* target = nullptr;
    if (key == kKeyPrefix)
        target = &codes.HotkeyKey;
    else if (key == kModifiersPrefix)
        target = &codes.HotkeyModifiers;
    if (target == nullptr)
        return;
    if (const std::optional<std::int32_t> parsed = ParseValue(value))
        *target = *parsed;
}

// Names the file even when its directory is unknown.
void WarnNotWritten(os::Os& os, const std::string& path, os::Window owner)
{
    try {
        os.MessageBoxW(owner,
                       "Could not write " + (path.empty() ? kSettingsFileName : path) + " file",
                       tollivane::kAppTitle, os::kMbOk | os::kMbIconExclamation);
    } catch (...) {
        // Nothing is left to tell the user with; the window still closes.
    }
}

} // namespace

void ParseSettings(std::string_view content, HotkeyCodes& codes)
{
    // A line without "=" leaves these as the previous line set them, so it
    // re-applies that line: harmless, as the same value lands again.
    std::string_view key;
    std::string_view value;
    std::size_t pos = 0;
    while (pos < content.size()) {
        // Lines end at CR or CR LF only; a lone LF is part of the line.
        const std::size_t end = content.find('\r', pos);
        const std::string_view line =
            content.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        if (end == std::string_view::npos) {
            pos = content.size();
        } else {
            pos = end + 1;
            if (pos < content.size() && content[pos] == '\n')
                ++pos;
        }

        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            key = line.substr(0, equals + 1);
            value = line.substr(equals + 1);
        }
        Apply(key, value, codes);
    }
}

std::string FormatSettings(const HotkeyCodes& codes)
{
    // Without a key the modifiers mean nothing, and are not kept either.
    if (codes.HotkeyKey <= 0)
        return {};
    std::string text;
    text += kKeyPrefix;
    text += std::to_string(codes.HotkeyKey);
    text += "\r\n";
    text += kModifiersPrefix;
    text += std::to_string(codes.HotkeyModifiers);
    text += "\r\n";
    return text;
}

LoadOutcome LoadSettings(os::Os& os, HotkeyCodes& codes)
{
    const std::string path = os::ProgramFile(os, kSettingsFileName);
    // The program directory is unknown: no telling what the file holds.
    if (path.empty())
        return LoadOutcome::Unreadable;
    try {
        // Only a look-up that found nothing means no file: one that failed
        // (a drive not ready, a share that did not answer) must not let the
        // defaults replace a file that is still there.
        switch (os::FindFile(os, path)) {
        case os::Found::Nothing:
            return LoadOutcome::Missing;
        case os::Found::Unknown:
            return LoadOutcome::Unreadable;
        case os::Found::File:
            break;
        }
        const std::optional<std::string> content = os::ReadWholeFile(os, path, kMaxSettingsBytes);
        if (!content)
            return LoadOutcome::Unreadable;
        ParseSettings(*content, codes);
        return LoadOutcome::Loaded;
    } catch (...) {
        // Out of memory while reading: keep the defaults rather than let an
        // exception out into the window's load.
        return LoadOutcome::Unreadable;
    }
}

namespace {

// Written beside the real file and moved over it, so that a write that fails
// half-way never leaves the file cut short; where the folder lets no file be
// created or replaced, the save fails and the file stays as it was. On NTFS
// the move replaces the file in one step: whatever fails, the file holds
// either its old bytes or the new ones. On FAT32 the system deletes the old
// file and then renames the new one: a crash between the two leaves no
// settings file and the new bytes in the temporary one, and the next start
// finds the file missing.
bool WriteSettingsFile(os::Os& os, const std::string& path, const std::string& text)
{
    const std::string temp = path + kTempSuffix;
    if (os::WriteWholeFile(os, temp, text) &&
        os::MoveFileRetrying(os, temp, path,
                             os::kMovefileReplaceExisting | os::kMovefileWriteThrough))
        return true;
    // One still held after the retries stays until a later save overwrites it.
    os::DeleteFileRetrying(os, temp);
    return false;
}

} // namespace

void SaveSettings(os::Os& os, const HotkeyCodes& codes, os::Window owner)
{
    const std::string path = os::ProgramFile(os, kSettingsFileName);
    bool saved = false;
    try {
        // Without a path there is nowhere to write: a failed save.
        saved = !path.empty() && WriteSettingsFile(os, path, FormatSettings(codes));
    } catch (...) {
        // Out of memory on the way: a failed save like any other.
    }
    if (!saved)
        WarnNotWritten(os, path, owner);
}

} // namespace settings
