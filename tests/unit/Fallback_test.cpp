// Where Windows lacks one of the newer calls (Windows 10's DPI calls before
// Windows 10), the plain calls stand in, and the missing call is never made.
#include "os/Fallback.h"

#include <gtest/gtest.h>

namespace {

// Windows 10's GetDpiForWindow and AdjustWindowRectExForDpi, in their shapes.
using DpiForWindow = unsigned (*)(void* window);
struct Frame {
    int width;
};
using AdjustForDpi = int (*)(Frame* frame, unsigned dpi);

TEST(NewerOr, TakesTheSystemDpiWhereTheDpiCallIsMissingOrFails)
{
    int plainCalls = 0;
    const auto systemDpi = [&plainCalls] {
        ++plainCalls;
        return 120u;
    };
    int window = 0;
    EXPECT_EQ(os::NewerOr(DpiForWindow{nullptr}, systemDpi, &window), 120u);
    EXPECT_EQ(os::NewerOr(DpiForWindow{[](void*) { return 0u; }}, systemDpi, &window), 120u);
    EXPECT_EQ(plainCalls, 2);

    const DpiForWindow perMonitor = [](void* w) { return w != nullptr ? 144u : 0u; };
    EXPECT_EQ(os::NewerOr(perMonitor, systemDpi, &window), 144u);
    EXPECT_EQ(plainCalls, 2);
}

TEST(NewerOr, LeavesTheFrameToThePlainCallWithoutTheDpiCall)
{
    Frame frame{100};
    const auto plainFrame = [&frame] {
        frame.width += 8;
        return 1;
    };
    os::NewerOr(AdjustForDpi{nullptr}, plainFrame, &frame, 144u);
    EXPECT_EQ(frame.width, 108);

    const AdjustForDpi scaled = [](Frame* f, unsigned dpi) {
        f->width += static_cast<int>(8 * dpi / 96);
        return 1;
    };
    frame.width = 100;
    os::NewerOr(scaled, plainFrame, &frame, 144u);
    EXPECT_EQ(frame.width, 112);
}

// A failed GetSystemDirectoryW must not turn into a bare name, which the
// loader would look for beside the program first.
TEST(SystemDllPath, IsInTheSystemDirectoryOrNowhere)
{
    EXPECT_EQ(os::SystemDllPath(L"C:\\WINDOWS\\system32", L"winmm.dll"),
              L"C:\\WINDOWS\\system32\\winmm.dll");
    EXPECT_EQ(os::SystemDllPath(L"", L"winmm.dll"), L"");
}

} // namespace
