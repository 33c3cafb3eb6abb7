// The one clock the benchmarks read: the performance counter, in seconds.
#pragma once

#include <windows.h>

namespace bench {

inline double Seconds()
{
    static const double perSecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / perSecond;
}

// Waits until `done()` holds or `timeoutMs` has passed, polling every
// `pollMs`; true when it held. Every wait in the benchmarks has a deadline,
// so a program that never comes up costs a failed figure, not a hung run.
template <typename Condition>
bool WaitUntil(Condition done, unsigned timeoutMs, unsigned pollMs = 5)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(pollMs);
    }
}

} // namespace bench
