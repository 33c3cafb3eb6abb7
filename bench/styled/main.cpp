// Not a floor but a yardstick for start-up: the bare window with the
// program's six controls, at the program's places and in its styles, built
// with the program's manifest (common controls 6, visual styles) and nothing
// else of the program: no font, no list entries, no settings, no link. Set
// against the bare window, it shows what a window with these controls costs
// to start on the system under test, before the program does anything.
#include "app/ControlClass.h"
#include "app/Layout.h"

#include <windows.h>

#include <commctrl.h>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerIntervalMs = 1000;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

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

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = L"StyledBareWindow";
    if (!::RegisterClassExW(&windowClass))
        return 1;

    // At 96 DPI, as the bare window: the yardstick is about cost, not looks.
    constexpr int kDpi = 96;
    const app::PixelSize client = app::ClientSize(kDpi);
    RECT frame{0, 0, client.width, client.height};
    ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    const HWND hwnd = ::CreateWindowExW(0, L"StyledBareWindow", L"Styled", kWindowStyle,
                                        CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                        frame.bottom - frame.top, nullptr, nullptr, instance,
                                        nullptr);
    if (!hwnd)
        return 1;
    for (app::ControlId id : app::TabOrder()) {
        const app::ControlLayout& layout = app::LayoutOf(id);
        const app::ControlClass control = app::ClassOf(layout.kind);
        const app::PixelRect rect = app::ControlRect(layout, kDpi);
        ::CreateWindowExW(0, control.className, layout.caption, app::kChildStyle | control.style,
                          rect.left, rect.top, rect.width, rect.height, hwnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance,
                          nullptr);
    }
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
