#include "app/Layout_win.h"

#include "app/ControlClass.h"
#include "os/Fallback.h"
#include "os/SystemFunction.h"

#include <commctrl.h>

namespace app {

namespace {

// Windows 10 calls, looked up at run time. Where they are missing, the window
// starts at the system DPI, which the screen's device context tells.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// The program imports user32, so it is loaded already.
template <typename Fn> Fn User32Function(const char* name)
{
    return os::LoadedFunction<Fn>(L"user32.dll", name);
}

UINT DeviceContextDpi(HWND hwnd)
{
    const HDC dc = ::GetDC(hwnd);
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ::ReleaseDC(hwnd, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The closed height of a drop-down list follows its selection field, not its
// window size. How the field's height maps to the window's differs between
// implementations, so measure and correct; it settles in one or two rounds.
void FitListHeight(HWND list, const PixelRect& closed)
{
    auto field =
        static_cast<int>(::SendMessageW(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int round = 0; round < 3 && field > 0; ++round) {
        RECT now{};
        ::GetWindowRect(list, &now);
        const int miss = closed.height - static_cast<int>(now.bottom - now.top);
        if (miss == 0 || field + miss <= 0)
            break;
        field += miss;
        ::SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
    ::SendMessageW(list, CB_SETMINVISIBLE, kDropDownRows, 0);
}

// A drop-down list's window height is the height it has open.
void SizeList(HWND list, const PixelRect& closed)
{
    const auto row = static_cast<int>(::SendMessageW(list, CB_GETITEMHEIGHT, 0, 0));
    const int height = closed.height + kDropDownRows * (row > 0 ? row : closed.height) + 2;
    ::SetWindowPos(list, nullptr, closed.left, closed.top, closed.width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    FitListHeight(list, closed);
}

// The font first: the list's row heights follow it.
void PlaceControl(HWND control, const ControlLayout& layout, int dpi, HFONT font)
{
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const PixelRect rect = ControlRect(layout, dpi);
    if (layout.kind == ControlKind::DropDownList)
        SizeList(control, rect);
    else
        ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.width, rect.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

int WindowDpi(HWND window)
{
    return static_cast<int>(os::NewerOr(
        User32Function<GetDpiForWindowFn>("GetDpiForWindow"),
        [window] { return DeviceContextDpi(window); }, window));
}

int SystemDpi()
{
    return static_cast<int>(os::NewerOr(User32Function<GetDpiForSystemFn>("GetDpiForSystem"),
                                        [] { return DeviceContextDpi(nullptr); }));
}

HFONT CreateControlFont(int dpi)
{
    return ::CreateFontW(FontHeight(dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_SWISS, L"Arial");
}

bool CreateControls(HWND window, int dpi, HFONT font, Controls& controls)
{
    const HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window, GWLP_HINSTANCE));
    // In tab order: the Z-order is the tab order, and a new child goes
    // beneath the siblings it already has. The frame comes last, so it lies
    // beneath the controls drawn inside it.
    for (ControlId id : TabOrder()) {
        const std::size_t i = IndexOf(id);
        controls[i] = CreateControl(window, instance, kControls[i], dpi);
        if (!controls[i])
            return false;
        PlaceControl(controls[i], kControls[i], dpi, font);
    }

    // Should a system stack new children on top instead, restack them.
    HWND previous = nullptr;
    for (ControlId id : TabOrder()) {
        const HWND control = controls[IndexOf(id)];
        const HWND expected =
            previous ? ::GetWindow(previous, GW_HWNDNEXT) : ::GetWindow(window, GW_CHILD);
        if (control != expected)
            ::SetWindowPos(control, previous ? previous : HWND_TOP, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
    return true;
}

void LayOutControls(const Controls& controls, int dpi, HFONT font)
{
    for (std::size_t i = 0; i < kControls.size(); ++i)
        PlaceControl(controls[i], kControls[i], dpi, font);
}

SIZE WindowSize(int dpi)
{
    const PixelSize client = ClientSize(dpi);
    RECT rect{0, 0, client.width, client.height};
    // The frame's size depends on the DPI too; only the Windows 10 call can
    // tell it for a DPI other than the system's.
    os::NewerOr(
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi"),
        [&rect] { return ::AdjustWindowRectEx(&rect, kWindowStyle, FALSE, kWindowExStyle); }, &rect,
        kWindowStyle, FALSE, kWindowExStyle, static_cast<UINT>(dpi));
    return {rect.right - rect.left, rect.bottom - rect.top};
}

RECT CentredWindowRect(int dpi)
{
    const SIZE size = WindowSize(dpi);
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
    return {x, y, x + size.cx, y + size.cy};
}

} // namespace app
