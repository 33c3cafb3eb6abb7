// Arbitrary bytes as a settings file: the reader must never misbehave, and
// what the writer makes of the codes must read back as the same codes, even
// after whatever junk the file held before.
#include "settings/Settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Writes the codes after `before` and reads them back; a written pair must
// win over anything earlier in the file.
void CheckRoundTrip(std::string_view before, std::int32_t key, std::int32_t modifiers)
{
    const std::string written = settings::FormatSettings({key, modifiers});
    if (key <= 0) {
        Require(written.empty());
        return;
    }
    settings::HotkeyCodes read;
    settings::ParseSettings(written, read);
    Require(read.HotkeyKey == key && read.HotkeyModifiers == modifiers);

    std::string appended(before);
    appended += '\r';
    appended += written;
    read = {};
    settings::ParseSettings(appended, read);
    Require(read.HotkeyKey == key && read.HotkeyModifiers == modifiers);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);

    settings::HotkeyCodes parsed;
    settings::ParseSettings(content, parsed);
    CheckRoundTrip(content, parsed.HotkeyKey, parsed.HotkeyModifiers);

    // Codes no file in the corpus spells out, taken from the bytes themselves.
    if (size >= 8) {
        std::int32_t rawKey = 0;
        std::int32_t rawModifiers = 0;
        std::memcpy(&rawKey, data, sizeof rawKey);
        std::memcpy(&rawModifiers, data + 4, sizeof rawModifiers);
        CheckRoundTrip(content.substr(8), rawKey, rawModifiers);
    }
    return 0;
}
