// The main window's layout as it was designed, in twips (1/1440 inch), and
// its conversion to pixels at the DPI the window really has. Kept apart from
// Win32 so that the arithmetic can be checked on any machine.
#pragma once

#include <array>
#include <cstdint>

namespace app {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidthTwips = 4065;
inline constexpr int kClientHeightTwips = 1920;

// The drop-down list opens far enough to show this many keys before it scrolls.
inline constexpr int kDropDownRows = 12;

// Arial 9 point, for every control that shows text.
inline constexpr int kFontPoints = 9;

// Kept clear of IDOK (1) and IDCANCEL (2): IsDialogMessage sends those for
// ENTER and ESC, and they must not look like a click on one of the controls.
enum class ControlId : int {
    cmdHelp = 101,
    frmFrame,
    chkShutdownSHIFT,
    chkShutdownCTRL,
    cboShutdown,
    cmdShutdown,
};

enum class ControlKind { PushButton, GroupBox, CheckBox, DropDownList };

// Positions are relative to the container; the hotkey controls lie inside
// the frame, but are children of the window so that their notifications
// reach the window directly.
enum class Container { Window, Frame };

struct ControlLayout {
    ControlId id;
    ControlKind kind;
    const wchar_t* caption;
    Container container;
    int left, top, width, height; // twips; the list's height is its closed height
    int tabIndex;
};

// In the order the window was designed in. The window creates its controls in
// tab order instead (TabOrder() below), because on Win32 the order of
// creation is the Z-order, and the Z-order is the tab sequence.
// clang-format off
inline constexpr std::array<ControlLayout, 6> kControls{{
    // id                          kind                       caption              container           Left   Top  Width Height Tab
    {ControlId::cmdHelp,           ControlKind::PushButton,   L"&Help",            Container::Window,  2160,  120, 1815,  735,  1},
    {ControlId::frmFrame,          ControlKind::GroupBox,     L"Shutdown Hotkey",  Container::Window,   120,  960, 3855,  855,  5},
    {ControlId::chkShutdownSHIFT,  ControlKind::CheckBox,     L"SHIFT",            Container::Frame,   2640,  360,  855,  255,  4},
    {ControlId::chkShutdownCTRL,   ControlKind::CheckBox,     L"CTRL",             Container::Frame,   1680,  360,  855,  255,  3},
    {ControlId::cboShutdown,       ControlKind::DropDownList, L"",                 Container::Frame,    480,  360,  975,  345,  2},
    {ControlId::cmdShutdown,       ControlKind::PushButton,   L"&Start Shutdown",  Container::Window,   120,  120, 1815,  735,  0},
}};
// clang-format on

// Rounds half away from zero like Win32's MulDiv, so that sizes computed here
// and font heights computed with MulDiv agree to the pixel.
constexpr int MulDivRound(int number, int numerator, int denominator)
{
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

constexpr int TwipsToPixels(int twips, int dpi)
{
    return MulDivRound(twips, dpi, kTwipsPerInch);
}

// Font height for CreateFont: negative, so that it is the character height
// rather than the cell height, as a point size means.
constexpr int FontHeight(int dpi)
{
    return -MulDivRound(kFontPoints, dpi, 72);
}

struct PixelSize {
    int width, height;
    friend constexpr bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelRect {
    int left, top, width, height;
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

constexpr PixelSize ClientSize(int dpi)
{
    return {TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
}

constexpr const ControlLayout& LayoutOf(ControlId id)
{
    for (const ControlLayout& control : kControls)
        if (control.id == id)
            return control;
    return kControls[0]; // unreachable for the ids above
}

// Each value is converted on its own and a frame child is placed at the
// frame's converted origin plus its own converted offset, the way the forms
// designer places controls: a control keeps its size in pixels wherever its
// container lies.
constexpr PixelRect ControlRect(const ControlLayout& control, int dpi)
{
    int originLeft = 0;
    int originTop = 0;
    if (control.container == Container::Frame) {
        const ControlLayout& frame = LayoutOf(ControlId::frmFrame);
        originLeft = TwipsToPixels(frame.left, dpi);
        originTop = TwipsToPixels(frame.top, dpi);
    }
    return {originLeft + TwipsToPixels(control.left, dpi),
            originTop + TwipsToPixels(control.top, dpi), TwipsToPixels(control.width, dpi),
            TwipsToPixels(control.height, dpi)};
}

constexpr PixelRect ControlRect(ControlId id, int dpi)
{
    return ControlRect(LayoutOf(id), dpi);
}

// The controls in tab order, which is also their Z-order, first to last.
constexpr std::array<ControlId, kControls.size()> TabOrder()
{
    std::array<ControlId, kControls.size()> order{};
    for (const ControlLayout& control : kControls)
        order[static_cast<std::size_t>(control.tabIndex)] = control.id;
    return order;
}

constexpr std::size_t IndexOf(ControlId id)
{
    for (std::size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].id == id)
            return i;
    return 0;
}

constexpr bool TabIndicesAreASequence()
{
    std::array<int, kControls.size()> seen{};
    for (const ControlLayout& control : kControls) {
        if (control.tabIndex < 0 || control.tabIndex >= static_cast<int>(kControls.size()))
            return false;
        ++seen[static_cast<std::size_t>(control.tabIndex)];
    }
    for (int count : seen)
        if (count != 1)
            return false;
    return true;
}

static_assert(TabIndicesAreASequence(), "every control needs its own place in the tab order");
static_assert(ClientSize(96) == PixelSize{271, 128}, "the window was designed at 15 twips a pixel");

} // namespace app
