// Not a floor but a yardstick for start-up: the bare window with the
// program's six controls, at the program's places and in its styles, built
// with the program's manifest (common controls 6, visual styles) and nothing
// else of the program: no font, no list entries, no settings, no link. Set
// against the bare window, it shows what a window with these controls costs
// to start on the system under test, before the program does anything.
#include "app/ControlClass.h"
#include "app/Layout.h"
#include "styled/Yardstick.h"

#include <windows.h>

#include <commctrl.h>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerIntervalMs = 1000;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&commonControls);

    const HWND hwnd =
        yardstick::CreateWindowOfProgramSize(instance, WindowProc, L"StyledBareWindow", L"Styled");
    if (!hwnd)
        return 1;
    for (app::ControlId id : app::TabOrder())
        app::CreateControl(hwnd, instance, app::LayoutOf(id), yardstick::kDpi);
    ::SetTimer(hwnd, kTimerId, kTimerIntervalMs, nullptr);
    ::ShowWindow(hwnd, showCommand);
    ::UpdateWindow(hwnd);

    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
