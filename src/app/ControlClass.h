// The Win32 window class and styles behind each kind of control in the
// layout. Apart from the layout itself because it needs the Win32 headers.
#pragma once

#include "app/Layout.h"

#include <windows.h>

namespace app {

struct ControlClass {
    const wchar_t* className;
    DWORD style;
};

// Every control starts its own group, so that the arrow keys never move the
// focus the way TAB does; TAB follows the tab order alone.
inline constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_GROUP;

constexpr ControlClass ClassOf(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton:
        return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::GroupBox:
        return {L"BUTTON", BS_GROUPBOX};
    case ControlKind::CheckBox:
        return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::DropDownList:
        return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
    }
    return {L"STATIC", 0};
}

// One control of the layout, created in `parent` at its place for `dpi`.
inline HWND CreateControl(HWND parent, HINSTANCE instance, const ControlLayout& layout, int dpi)
{
    const ControlClass control = ClassOf(layout.kind);
    const PixelRect rect = ControlRect(layout, dpi);
    return ::CreateWindowExW(0, control.className, layout.caption, kChildStyle | control.style,
                             rect.left, rect.top, rect.width, rect.height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance,
                             nullptr);
}

} // namespace app
