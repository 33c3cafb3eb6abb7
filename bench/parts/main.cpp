// Where a window like the program's spends its start beyond a bare window's:
// times, inside one process, the steps a window with the program's six
// controls takes, built with the program's manifest so that the controls are
// the themed ones the program gets. Prints one RESULT line per step, in
// milliseconds; bench/run.sh shows the medians beside the start-up figure.
//
// The bare window pays for the window and for showing it too; the common
// controls library and the controls are what it does not pay for.
#include "app/ControlClass.h"
#include "app/Layout.h"
#include "styled/Yardstick.h"

#include <windows.h>

#include <cstdio>

namespace {

double Milliseconds()
{
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1e3 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Result(const char* key, double value)
{
    std::printf("RESULT %s %.3f\n", key, value);
}

} // namespace

int main()
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    double begin = Milliseconds();
    const HWND hwnd =
        yardstick::CreateWindowOfProgramSize(instance, ::DefWindowProcW, L"StartupParts", L"Parts");
    if (!hwnd)
        return 1;
    Result("parts_window_ms", Milliseconds() - begin);

    // Loaded here by name so that its cost shows on its own; the manifest
    // makes this the version-6 library, as the program's first control would.
    begin = Milliseconds();
    if (!::LoadLibraryW(L"comctl32.dll"))
        return 1;
    Result("parts_library_ms", Milliseconds() - begin);

    double buttons = 0;
    double list = 0;
    for (app::ControlId id : app::TabOrder()) {
        const app::ControlLayout& layout = app::LayoutOf(id);
        begin = Milliseconds();
        app::CreateControl(hwnd, instance, layout, yardstick::kDpi);
        (layout.kind == app::ControlKind::DropDownList ? list : buttons) += Milliseconds() - begin;
    }
    Result("parts_buttons_ms", buttons);
    Result("parts_list_ms", list);

    begin = Milliseconds();
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd);
    Result("parts_show_ms", Milliseconds() - begin);
    ::DestroyWindow(hwnd);
    return 0;
}
