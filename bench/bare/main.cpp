// The floor the program is measured against: a top-level window of the same
// size with a one-second timer that does nothing, built and linked exactly as
// the program is. Whatever it costs to start, to idle and to keep in memory
// is the price of any Win32 window under the same system; what the program
// costs beyond it is its own.
#include <windows.h>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerIntervalMs = 1000;
// The program's client area (271 x 128 pixels at 96 DPI) with a frame.
constexpr int kWidth = 287;
constexpr int kHeight = 167;

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
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = L"BareWindow";
    if (!::RegisterClassExW(&windowClass))
        return 1;
    const HWND hwnd = ::CreateWindowExW(0, L"BareWindow", L"Bare", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                        CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr,
                                        instance, nullptr);
    if (!hwnd)
        return 1;
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
