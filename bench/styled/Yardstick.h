// The window the yardstick programs build: the bare window's class and
// caption style at the program's client size, at 96 DPI as the bare window
// is: these programs are about cost, not looks.
#pragma once

#include "app/Layout.h"

#include <windows.h>

namespace yardstick {

inline constexpr int kDpi = 96;
inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Registers `className` and creates the window, not yet shown; null on failure.
inline HWND CreateWindowOfProgramSize(HINSTANCE instance, WNDPROC windowProc,
                                      const wchar_t* className, const wchar_t* caption)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = className;
    if (!::RegisterClassExW(&windowClass))
        return nullptr;
    const app::PixelSize client = app::ClientSize(kDpi);
    RECT frame{0, 0, client.width, client.height};
    ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    return ::CreateWindowExW(0, className, caption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                             instance, nullptr);
}

} // namespace yardstick
