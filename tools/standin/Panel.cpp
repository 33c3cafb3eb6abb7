#include "Panel.h"

#include "Scenario.h"

#include <cstdio>

namespace standin {

namespace {

constexpr COLORREF kBackground = RGB(0xF4, 0xF5, 0xF7);
constexpr COLORREF kHeader = RGB(0x1E, 0x26, 0x30);
constexpr COLORREF kHeaderText = RGB(0xA8, 0xB3, 0xBF);
constexpr COLORREF kMessageText = RGB(0xFF, 0xD1, 0x66);
constexpr COLORREF kInk = RGB(0x1E, 0x26, 0x30);
constexpr COLORREF kDim = RGB(0xA0, 0xA6, 0xAD);
constexpr COLORREF kOn = RGB(0x2E, 0xAD, 0x4B);
constexpr COLORREF kOff = RGB(0xC2, 0xC7, 0xCD);
constexpr COLORREF kRowLine = RGB(0xE2, 0xE5, 0xE9);
constexpr COLORREF kChanged = RGB(0xFF, 0xF1, 0xC2);

constexpr int kHeaderHeight = 110;
constexpr int kInfoHeight = 44;
constexpr int kRowHeight = 23;
constexpr int kRowsPerColumn = 22;
constexpr int kMargin = 16;

HFONT MakeFont(int pixels, int weight)
{
    return CreateFontA(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
}

void Text(HDC dc, HFONT font, COLORREF color, RECT box, const std::string& text, UINT format)
{
    SelectObject(dc, font);
    SetTextColor(dc, color);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
              format | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void Fill(HDC dc, RECT box, COLORREF color)
{
    SetDCBrushColor(dc, color);
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Lamp(HDC dc, int x, int y, int diameter, bool on)
{
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    SetDCBrushColor(dc, on ? kOn : kOff);
    SetDCPenColor(dc, on ? RGB(0x1F, 0x80, 0x36) : RGB(0xA9, 0xAF, 0xB6));
    Ellipse(dc, x, y, x + diameter, y + diameter);
}

bool Overlaps(const PanelModel& model, SimOffset offset, std::uint32_t size)
{
    for (const auto& [written, length] : model.lastWrites)
        if (written < offset + size && offset < written + length)
            return true;
    return false;
}

} // namespace

Panel::Panel(int dpi)
    : dpi_(dpi), caption_(MakeFont(Scale(13), FW_NORMAL)), message_(MakeFont(Scale(26), FW_BOLD)),
      row_(MakeFont(Scale(14), FW_NORMAL)), rowBold_(MakeFont(Scale(14), FW_BOLD))
{
}

Panel::~Panel()
{
    for (HFONT font : {caption_, message_, row_, rowBold_})
        DeleteObject(font);
}

void Panel::Paint(HDC target, const RECT& client, const PanelModel& model) const
{
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, caption_);
    SetBkMode(dc, TRANSPARENT);

    const VariableSpace& vars = *model.vars;
    const int margin = Scale(kMargin);
    Fill(dc, {0, 0, width, height}, kBackground);

    // The simulator's text line, as the simulator would show it.
    const int header = Scale(kHeaderHeight);
    Fill(dc, {0, 0, width, header}, kHeader);
    Text(dc, caption_, kHeaderText, {margin, Scale(10), width - margin, Scale(30)}, model.caption,
         DT_LEFT | DT_VCENTER);
    if (model.textLine.empty())
        Text(dc, message_, kHeaderText, {margin, Scale(38), width - margin, header - Scale(10)},
             "(no text shown yet)", DT_LEFT | DT_VCENTER);
    else
        Text(dc, message_, kMessageText, {margin, Scale(38), width - margin, header - Scale(10)},
             model.textLine, DT_LEFT | DT_VCENTER);

    // The aircraft's state at a glance.
    const int infoTop = header;
    const int infoBottom = infoTop + Scale(kInfoHeight);
    const std::uint32_t engines = GetValue(vars, kOffsetEngineCount, 2);
    const bool onGround = GetValue(vars, kOffsetOnGround, 2) == 1;
    const bool feather = GetValue(vars, kOffsetFeatherCapable, 2) != 0;
    const bool battery = GetValue(vars, kOffsetBatteryMaster, 1) != 0;
    struct Fact {
        const char* name;
        std::string value;
        bool on;
    };
    const Fact facts[] = {
        {"On Ground", onGround ? "yes" : "no (airborne)", onGround},
        {"Engines", std::to_string(engines), engines != 0},
        {"Feathering", feather ? "yes" : "no", feather},
        {"Battery", battery ? "on" : "off", battery},
    };
    const int lamp = Scale(12);
    const int factWidth = (width - 2 * margin) / 5;
    for (int i = 0; i < 4; ++i) {
        const int x = margin + i * factWidth;
        const int mid = (infoTop + infoBottom) / 2;
        Lamp(dc, x, mid - lamp / 2, lamp, facts[i].on);
        Text(dc, row_, kInk, {x + lamp + Scale(6), infoTop, x + factWidth, infoBottom},
             std::string(facts[i].name) + ": ", DT_LEFT | DT_VCENTER);
        SIZE nameSize{};
        SelectObject(dc, row_);
        const std::string label = std::string(facts[i].name) + ": ";
        GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &nameSize);
        Text(dc, rowBold_, kInk,
             {x + lamp + Scale(6) + nameSize.cx, infoTop, x + factWidth, infoBottom}, facts[i].value,
             DT_LEFT | DT_VCENTER);
    }
    Text(dc, row_, kDim, {margin + 4 * factWidth, infoTop, width - margin, infoBottom},
         "exchanges: " + std::to_string(model.exchanges), DT_RIGHT | DT_VCENTER);
    Fill(dc, {0, infoBottom - 1, width, infoBottom}, kRowLine);

    // The checklist's switches, in checklist order, down two columns.
    const int rowHeight = Scale(kRowHeight);
    const int columnWidth = (width - 3 * margin) / 2;
    const int rowsTop = infoBottom + Scale(6);
    for (std::size_t i = 0; i < kSwitches.size(); ++i) {
        const Switch& step = kSwitches[i];
        const int column = static_cast<int>(i) / kRowsPerColumn;
        const int row = static_cast<int>(i) % kRowsPerColumn;
        const int left = margin + column * (columnWidth + margin);
        const int top = rowsTop + row * rowHeight;
        const RECT box{left, top, left + columnWidth, top + rowHeight};
        const std::uint32_t value = GetValue(vars, step.offset, step.size);
        const bool fitted = step.engine == 0 || static_cast<std::uint32_t>(step.engine) <= engines;

        if (Overlaps(model, step.offset, step.size))
            Fill(dc, box, kChanged);
        Fill(dc, {box.left, box.bottom - 1, box.right, box.bottom}, kRowLine);
        Lamp(dc, left + Scale(4), top + (rowHeight - lamp) / 2, lamp, value != 0);

        const COLORREF ink = fitted ? kInk : kDim;
        const int valueWidth = Scale(120);
        Text(dc, row_, ink, {left + Scale(24), top, box.right - valueWidth, box.bottom},
             step.name, DT_LEFT | DT_VCENTER);
        char number[32];
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(value));
        Text(dc, row_, kDim, {box.right - valueWidth, top, box.right - Scale(44), box.bottom}, number,
             DT_RIGHT | DT_VCENTER);
        Text(dc, rowBold_, value != 0 ? kOn : kDim, {box.right - Scale(40), top, box.right, box.bottom},
             value != 0 ? "ON" : "OFF", DT_RIGHT | DT_VCENTER);
    }

    // What the last exchange did, and any misbehaviour in force.
    const int footerTop = rowsTop + kRowsPerColumn * rowHeight + Scale(6);
    Fill(dc, {0, footerTop, width, footerTop + 1}, kRowLine);
    Text(dc, caption_, kDim, {margin, footerTop, width - margin, height}, model.status,
         DT_LEFT | DT_VCENTER);
    if (!model.faults.empty())
        Text(dc, caption_, RGB(0xC0, 0x39, 0x2B), {margin, footerTop, width - margin, height},
             "fault: " + model.faults, DT_RIGHT | DT_VCENTER);

    BitBlt(target, client.left, client.top, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

} // namespace standin
