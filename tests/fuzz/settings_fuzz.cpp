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
    const std::string written = settings::FormatSettings(key, modifiers);
    if (key <= 0) {
        Require(written.empty());
        return;
    }
    std::int32_t readKey = 0;
    std::int32_t readModifiers = 0;
    settings::ParseSettings(written, readKey, readModifiers);
    Require(readKey == key && readModifiers == modifiers);

    std::string appended(before);
    appended += '\r';
    appended += written;
    readKey = 0;
    readModifiers = 0;
    settings::ParseSettings(appended, readKey, readModifiers);
    Require(readKey == key && readModifiers == modifiers);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);

    std::int32_t key = 0;
    std::int32_t modifiers = 0;
    settings::ParseSettings(content, key, modifiers);
    CheckRoundTrip(content, key, modifiers);

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
