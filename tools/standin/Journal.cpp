#include "Journal.h"

#include <cinttypes>
#include <cstdio>

namespace standin {

std::string MessageText(const std::uint8_t* field, std::uint32_t size)
{
    std::string text;
    for (std::uint32_t i = 0; i < size && field[i] != 0; ++i)
        text.push_back(static_cast<char>(field[i]));
    return text;
}

std::string JournalValue(const RecordDone& record)
{
    char buffer[16];
    if (record.size == 1 || record.size == 2 || record.size == 4) {
        std::uint32_t value = 0;
        for (std::uint32_t i = 0; i < record.size; ++i)
            value |= static_cast<std::uint32_t>(record.bytes[i]) << (8 * i);
        std::snprintf(buffer, sizeof buffer, "%" PRIu32, value);
        return buffer;
    }
    if (record.kind == 'W' && record.offset == kOffsetMessageText &&
        record.size == kMessageTextSize) {
        std::string quoted = "\"";
        for (char c : MessageText(record.bytes.data(), record.size)) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                quoted.push_back('\\');
                quoted.push_back(c);
            } else if (byte < 0x20 || byte > 0x7E) {
                std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
                quoted += buffer;
            } else {
                quoted.push_back(c);
            }
        }
        return quoted + "\"";
    }
    std::string hex;
    hex.reserve(record.bytes.size() * 2);
    for (std::uint8_t byte : record.bytes) {
        std::snprintf(buffer, sizeof buffer, "%02x", byte);
        hex += buffer;
    }
    return hex;
}

std::string JournalLine(std::uint32_t exchange, std::uint64_t micros, const RecordDone& record)
{
    char head[64];
    std::snprintf(head, sizeof head, "%" PRIu32 "\t%" PRIu64 "\t%c\t0x%04" PRIX32 "\t%" PRIu32 "\t",
                  exchange, micros, record.kind, record.offset, record.size);
    return head + JournalValue(record) + "\n";
}

} // namespace standin
