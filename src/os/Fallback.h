// Calls that not every supported Windows has, found at run time: what stands
// in where the system lacks one. Portable, so that the missing case is
// checked on any machine; SystemFunction.h does the looking up.
#pragma once

#include <string>
#include <string_view>

namespace os {

// The answer of a call that only newer Windows has: `newer` is null where the
// system lacks it. Where it is missing, or answers 0 for failure, the plain
// calls stand in, and only then are they made.
template <typename Newer, typename Plain, typename... Args>
auto NewerOr(Newer newer, Plain plain, Args... args) -> decltype(plain())
{
    if (newer) {
        if (const auto answer = newer(args...))
            return static_cast<decltype(plain())>(answer);
    }
    return plain();
}

// Where a system DLL lies, from the system directory GetSystemDirectoryW gave
// (empty when it failed). Then there is no path at all rather than the bare
// name, which the loader would look for beside the program first.
inline std::wstring SystemDllPath(std::wstring_view directory, std::wstring_view dll)
{
    if (directory.empty())
        return {};
    std::wstring path(directory);
    path += L'\\';
    path += dll;
    return path;
}

} // namespace os
