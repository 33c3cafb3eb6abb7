// The main window's layout on Win32: the DPI it is drawn at, the control
// font, the controls created and placed, and the window's outer size. The
// designed layout and its arithmetic are the portable half, Layout.h.
#pragma once

#include "app/Layout.h"

#include <windows.h>

#include <array>

namespace app {

// The window's style, which its outer size depends on.
inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
inline constexpr DWORD kWindowExStyle = 0;

// The controls' windows, in the order of kControls.
using Controls = std::array<HWND, kControls.size()>;

// The DPI of the monitor the window is on.
int WindowDpi(HWND window);
// The DPI a new window on the primary monitor gets, known before it exists.
int SystemDpi();

// Arial 9 point at `dpi`; the caller deletes it.
HFONT CreateControlFont(int dpi);

// Creates the controls in tab order, each with `font` and at its place for
// `dpi`. False when one could not be made; those made so far are children of
// `window` and go with it.
bool CreateControls(HWND window, int dpi, HFONT font, Controls& controls);
// Gives every control `font` and its place for `dpi`.
void LayOutControls(const Controls& controls, int dpi, HFONT font);

// The outer size of a window whose client area has the designed size at
// `dpi`, and that size centred on the screen.
SIZE WindowSize(int dpi);
RECT CentredWindowRect(int dpi);

} // namespace app
