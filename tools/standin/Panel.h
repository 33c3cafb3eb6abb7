// What the stand-in shows a person: the simulator's text line and a live
// panel of the switches the shutdown works through.
#pragma once

#include "Peer.h"

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

struct PanelModel {
    const VariableSpace* vars = nullptr;
    std::string caption;  // who is answering: class, id, scenario
    std::string textLine; // the text shown last; empty before any
    std::string status;   // what the last exchange did
    std::string faults;   // the fault modes in force, or empty
    unsigned exchanges = 0;
    // The variables of the last exchange that switched something, highlighted.
    std::vector<std::pair<SimOffset, std::uint32_t>> lastWrites;
};

// The client area at 96 dpi; scaled with the screen's dpi.
inline constexpr int kPanelWidth = 640;
inline constexpr int kPanelHeight = 592;

class Panel {
  public:
    // Every size and font is scaled from 96 to `dpi`.
    explicit Panel(int dpi);
    ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    // Paints the whole client area (double-buffered, so no erase is needed).
    void Paint(HDC dc, const RECT& client, const PanelModel& model) const;

  private:
    int Scale(int value) const { return MulDiv(value, dpi_, 96); }

    int dpi_;
    HFONT caption_;
    HFONT message_;
    HFONT row_;
    HFONT rowBold_;
};

} // namespace standin
