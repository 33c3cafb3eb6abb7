#include "Wire.h"

namespace standin {

bool IsLinkSectionName(std::string_view name)
{
    const std::string_view prefix = kMessageName;
    if (name.substr(0, prefix.size()) != prefix)
        return false;
    name.remove_prefix(prefix.size());
    constexpr std::string_view kEnd = ":1";
    if (name.size() < 1 + 1 + kEnd.size() || name.front() != ':' ||
        name.substr(name.size() - kEnd.size()) != kEnd)
        return false;
    const std::string_view pid = name.substr(1, name.size() - 1 - kEnd.size());
    if (pid.size() > 8 || (pid.size() > 1 && pid.front() == '0'))
        return false;
    for (char c : pid)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

} // namespace standin
