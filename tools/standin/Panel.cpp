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

// Sizes at 96 dpi. Narrow enough that, at the left edge of a 1600-pixel
// screen, the stand-in clears Tollivane's window opening at the centre.
constexpr int kCaptionHeight = 26;
constexpr int kMessageHeight = 46;
constexpr int kFactsHeight = 32;
constexpr int kRowHeight = 20;
constexpr int kRowsPerColumn = 22;
constexpr int kStatusHeight = 20;
constexpr int kMargin = 12;
constexpr int kGap = 6;

HFONT MakeFont(int pixels, int weight)
{
    return CreateFontA(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "Tahoma");
}

void Text(HDC dc, HFONT font, COLORREF color, RECT box, const std::string& text, UINT format)
{
    SelectObject(dc, font);
    SetTextColor(dc, color);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
              format | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

int TextWidth(HDC dc, HFONT font, const std::string& text)
{
    SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
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
    : dpi_(dpi), caption_(MakeFont(Scale(12), FW_NORMAL)), message_(MakeFont(Scale(20), FW_BOLD)),
      row_(MakeFont(Scale(13), FW_NORMAL)), rowBold_(MakeFont(Scale(13), FW_BOLD))
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
    const int gap = Scale(kGap);
    Fill(dc, {0, 0, width, height}, kBackground);

    // Who is answering, how often, and the simulator's text line as the
    // simulator would show it.
    const int captionBottom = Scale(kCaptionHeight);
    const int header = captionBottom + Scale(kMessageHeight);
    Fill(dc, {0, 0, width, header}, kHeader);
    const std::string count = "exchanges: " + std::to_string(model.exchanges);
    const int countWidth = TextWidth(dc, caption_, count);
    Text(dc, caption_, kHeaderText, {width - margin - countWidth, 0, width - margin, captionBottom},
         count, DT_RIGHT | DT_VCENTER);
    Text(dc, caption_, kHeaderText, {margin, 0, width - margin - countWidth - gap, captionBottom},
         model.caption, DT_LEFT | DT_VCENTER);
    const RECT message{margin, captionBottom, width - margin, header - gap};
    if (model.textLine.empty())
        Text(dc, message_, kHeaderText, message, "(no text shown yet)", DT_LEFT | DT_VCENTER);
    else
        Text(dc, message_, kMessageText, message, model.textLine, DT_LEFT | DT_VCENTER);

    // The aircraft's state at a glance, each fact as wide as its own text.
    const int factsTop = header;
    const int factsBottom = factsTop + Scale(kFactsHeight);
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
        {"On Ground: ", onGround ? "yes" : "no (airborne)", onGround},
        {"Engines: ", std::to_string(engines), engines != 0},
        {"Feathering: ", feather ? "yes" : "no", feather},
        {"Battery: ", battery ? "on" : "off", battery},
    };
    const int lamp = Scale(12);
    const int mid = (factsTop + factsBottom) / 2;
    int x = margin;
    for (const Fact& fact : facts) {
        Lamp(dc, x, mid - lamp / 2, lamp, fact.on);
        x += lamp + gap;
        const int nameWidth = TextWidth(dc, row_, fact.name);
        const int valueWidth = TextWidth(dc, rowBold_, fact.value);
        Text(dc, row_, kInk, {x, factsTop, x + nameWidth, factsBottom}, fact.name,
             DT_LEFT | DT_VCENTER);
        Text(dc, rowBold_, kInk, {x + nameWidth, factsTop, x + nameWidth + valueWidth, factsBottom},
             fact.value, DT_LEFT | DT_VCENTER);
        x += nameWidth + valueWidth + 3 * gap;
    }
    Fill(dc, {0, factsBottom - 1, width, factsBottom}, kRowLine);

    // The switches, in the order a shutdown walks them, down two columns.
    const int rowHeight = Scale(kRowHeight);
    const int columnWidth = (width - 3 * margin) / 2;
    const int rowsTop = factsBottom + Scale(4);
    const int valueWidth = TextWidth(dc, row_, "000000");
    const int stateWidth = TextWidth(dc, rowBold_, "OFF");
    for (std::size_t i = 0; i < kSwitches.size(); ++i) {
        const Switch& item = kSwitches[i];
        const int column = static_cast<int>(i) / kRowsPerColumn;
        const int row = static_cast<int>(i) % kRowsPerColumn;
        const int left = margin + column * (columnWidth + margin);
        const int top = rowsTop + row * rowHeight;
        const RECT box{left, top, left + columnWidth, top + rowHeight};
        const std::uint32_t value = GetValue(vars, item.offset, item.size);
        const bool fitted = item.engine == 0 || static_cast<std::uint32_t>(item.engine) <= engines;

        if (Overlaps(model, item.offset, item.size))
            Fill(dc, box, kChanged);
        Fill(dc, {box.left, box.bottom - 1, box.right, box.bottom}, kRowLine);
        Lamp(dc, left + Scale(3), top + (rowHeight - lamp) / 2, lamp, value != 0);

        const int stateLeft = box.right - stateWidth;
        const int valueLeft = stateLeft - gap - valueWidth;
        Text(dc, row_, fitted ? kInk : kDim, {left + lamp + Scale(8), top, valueLeft, box.bottom},
             item.name, DT_LEFT | DT_VCENTER);
        char number[32];
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(value));
        Text(dc, row_, kDim, {valueLeft, top, stateLeft - gap, box.bottom}, number,
             DT_RIGHT | DT_VCENTER);
        Text(dc, rowBold_, value != 0 ? kOn : kDim, {stateLeft, top, box.right, box.bottom},
             value != 0 ? "ON" : "OFF", DT_RIGHT | DT_VCENTER);
    }

    // What the last exchange did, and below it any misbehaviour in force:
    // each on a line of its own, so that neither hides the other.
    const int statusTop = rowsTop + kRowsPerColumn * rowHeight + Scale(4);
    const int statusHeight = Scale(kStatusHeight);
    Fill(dc, {0, statusTop, width, statusTop + 1}, kRowLine);
    Text(dc, caption_, kDim, {margin, statusTop, width - margin, statusTop + statusHeight},
         model.status, DT_LEFT | DT_VCENTER);
    if (!model.faults.empty())
        Text(dc, caption_, RGB(0xC0, 0x39, 0x2B),
             {margin, statusTop + statusHeight, width - margin, statusTop + 2 * statusHeight},
             "fault: " + model.faults, DT_LEFT | DT_VCENTER);

    BitBlt(target, client.left, client.top, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

} // namespace standin
