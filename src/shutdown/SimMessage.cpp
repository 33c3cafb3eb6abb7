#include "shutdown/SimMessage.h"

#include "simlink/Protocol.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace shutdown {

void ShowSimMessage(simlink::Link& link, const std::string& text)
{
    const std::string message = kMessagePrefix + text;

    // The simulator reads the text up to the first zero, so the field is sent
    // whole and zero-padded. A message that fills it goes without a zero: the
    // simulator stops at the field's end.
    std::array<std::uint8_t, simlink::kMessageTextSize> field{};
    const std::size_t length = std::min<std::size_t>(message.size(), field.size());
    std::copy_n(message.begin(), length, field.begin());

    std::int32_t result = simlink::IpcOk;
    // Without the text queued the value would show whatever was there before.
    if (!link.IpcWrite(simlink::kOffsetMessageText, simlink::kMessageTextSize, field.data(),
                       result))
        return;
    std::array<std::uint8_t, 2> show{};
    simlink::PutU16(show.data(), simlink::kMessageShow);
    // The value is written after the text, in the same exchange: writing it is
    // what makes the simulator show the text.
    link.IpcWrite(simlink::kOffsetMessageValue, static_cast<std::uint32_t>(show.size()),
                  show.data(), result);
    link.IpcProcess(result);
}

} // namespace shutdown
